#include "JpegWriter.h"

#include "LumoError.h"

#include <QRgb>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr int Quality = 90;
// One MCU row at 2 x 2 sampling: libjpeg takes exactly this many rows before
// it compresses, so handing them over together saves calls and copies.
constexpr JDIMENSION RowsPerCall = 16;
// Big enough for a typical page at quality 90; the buffer grows by doubling
// and is kept for the following pages.
constexpr std::size_t FirstBufferSize = 128 * 1024;

// A 32-bit pixel in memory is blue, green, red and a fourth byte on the
// machines the program runs on; libjpeg-turbo reads such rows as they are.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "rows go to libjpeg as they lie in memory");

} // namespace

// libjpeg reports fatal errors through error_exit, which must not return.
// Throwing a C++ exception through libjpeg's C frames is not allowed, so the
// error handler longjmps back to the setjmp in setUp() or compress(). Those
// two functions, and every frame between them and the jump (libjpeg's and
// the buffer callbacks below), hold no object with a destructor, so the
// jump skips nothing that needs cleaning up; the exception is raised only
// after control is back in ordinary C++.
struct JpegWriter::Compressor
{
    Compressor() = default;
    ~Compressor() { jpeg_destroy_compress(&info); }
    Compressor(const Compressor &) = delete;
    Compressor &operator=(const Compressor &) = delete;

    bool setUp();
    bool compress(const QImage &image);

    static Compressor &of(j_common_ptr common) { return *static_cast<Compressor *>(common->client_data); }
    static Compressor &of(j_compress_ptr compress) { return *static_cast<Compressor *>(compress->client_data); }

    static void leaveOnError(j_common_ptr common);
    static void startBuffer(j_compress_ptr compress);
    static boolean growBuffer(j_compress_ptr compress);
    static void endBuffer(j_compress_ptr compress);

    // Zeroed, so that jpeg_destroy_compress is harmless before creation.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};

    std::vector<JOCTET> bytes;
    std::size_t size = 0;
    JSAMPROW rowPointers[RowsPerCall] = {};
};

void JpegWriter::Compressor::leaveOnError(j_common_ptr common)
{
    Compressor &self = of(common);
    (*common->err->format_message)(common, self.message);
    std::longjmp(self.jump, 1);
}

void JpegWriter::Compressor::startBuffer(j_compress_ptr compress)
{
    Compressor &self = of(compress);
    if (self.bytes.empty())
        self.bytes.resize(FirstBufferSize);
    self.destination.next_output_byte = self.bytes.data();
    self.destination.free_in_buffer = self.bytes.size();
}

boolean JpegWriter::Compressor::growBuffer(j_compress_ptr compress)
{
    Compressor &self = of(compress);
    // libjpeg calls this only when the whole buffer is full.
    const std::size_t used = self.bytes.size();
    bool grown = true;
    try {
        self.bytes.resize(used * 2);
    } catch (const std::bad_alloc &) {
        grown = false;
    }
    if (!grown)
        ERREXIT1(compress, JERR_OUT_OF_MEMORY, 0);
    self.destination.next_output_byte = self.bytes.data() + used;
    self.destination.free_in_buffer = self.bytes.size() - used;
    return TRUE;
}

void JpegWriter::Compressor::endBuffer(j_compress_ptr compress)
{
    Compressor &self = of(compress);
    self.size = self.bytes.size() - self.destination.free_in_buffer;
}

bool JpegWriter::Compressor::setUp()
{
    info.err = jpeg_std_error(&errors);
    errors.error_exit = &Compressor::leaveOnError;
    // jpeg_create_compress keeps client_data, so the callbacks find us.
    info.client_data = this;
    if (setjmp(jump))
        return false;
    jpeg_create_compress(&info);

    destination.init_destination = &Compressor::startBuffer;
    destination.empty_output_buffer = &Compressor::growBuffer;
    destination.term_destination = &Compressor::endBuffer;
    info.dest = &destination;

    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    // Annex K quantisation and Huffman tables, YCbCr, JFIF header.
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, Quality, TRUE);

    // The defaults already are these; they are the fixed format of the
    // program's files, so they are not left to the library's version.
    info.optimize_coding = FALSE;
    info.restart_interval = 0;
    info.restart_in_rows = 0;
    info.dct_method = JDCT_FLOAT;
    info.write_JFIF_header = TRUE;
    info.JFIF_major_version = 1;
    info.JFIF_minor_version = 1;
    info.density_unit = 0;
    info.X_density = 1;
    info.Y_density = 1;
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.comp_info[1].h_samp_factor = 1;
    info.comp_info[1].v_samp_factor = 1;
    info.comp_info[2].h_samp_factor = 1;
    info.comp_info[2].v_samp_factor = 1;
    return true;
}

bool JpegWriter::Compressor::compress(const QImage &image)
{
    if (setjmp(jump)) {
        // Back to the idle state with the settings kept, ready for the next picture.
        jpeg_abort_compress(&info);
        return false;
    }
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    jpeg_start_compress(&info, TRUE);

    while (info.next_scanline < info.image_height) {
        const JDIMENSION first = info.next_scanline;
        const JDIMENSION count = std::min(RowsPerCall, info.image_height - first);
        // libjpeg only reads the rows it is given.
        for (JDIMENSION i = 0; i < count; ++i)
            rowPointers[i] = const_cast<JSAMPLE *>(image.constScanLine(static_cast<int>(first + i)));
        jpeg_write_scanlines(&info, rowPointers, count);
    }
    jpeg_finish_compress(&info);
    return true;
}

JpegWriter::JpegWriter()
    : m_compressor(std::make_unique<Compressor>())
{
    if (!m_compressor->setUp())
        throw LumoError(QString::fromLocal8Bit(m_compressor->message));
}

JpegWriter::~JpegWriter() = default;

bool JpegWriter::Encode(const QImage &source)
{
    Compressor &c = *m_compressor;
    c.size = 0;
    c.message[0] = '\0';
    if (source.width() <= 0 || source.height() <= 0)
        return true;

    // The program's pictures are RGB32 and go through without a copy.
    const bool direct = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32;
    const QImage image = direct ? source : source.convertToFormat(QImage::Format_RGB32);

    return c.compress(image);
}

QByteArrayView JpegWriter::Data() const
{
    return QByteArrayView(reinterpret_cast<const char *>(m_compressor->bytes.data()),
                          static_cast<qsizetype>(m_compressor->size));
}

QString JpegWriter::ErrorString() const
{
    return QString::fromLocal8Bit(m_compressor->message);
}
