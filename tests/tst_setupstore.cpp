#include "ErrorMessage.h"
#include "FontObject.h"
#include "RenderSettings.h"
#include "SettingsFile.h"
#include "SetupStore.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <limits>
#include <optional>
#include <sys/stat.h>

namespace {

const QString FixtureDir = QStringLiteral(LUMO_TEST_DATA "/settings/");

QString notAnInteger(const QString &text)
{
    return QStringLiteral("'%1' ist kein g\u00fcltiger Integerwert").arg(text);
}

// Settings that differ from every default, so that a test sees which of
// them a load replaced.
RenderValues unusualValues()
{
    RenderValues values;
    values.background = 0x00010203;
    values.font.SetName(QStringLiteral("Keep Me"));
    values.font.SetSize(20);
    values.font.SetColor(0x00040506);
    values.font.SetPitch(FontObject::fpVariable);
    values.font.SetStyle(FontObject::fsBold | FontObject::fsStrikeOut);
    values.font.SetCharset(77);
    values.hoVar = 5;
    values.veVar = 6;
    values.rausch = 17;
    return values;
}

void setUnusualSettings()
{
    SetRenderValues(unusualValues());
}

} // namespace

class TestSetupStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveWritesExactFile();
    void loadHandWrittenSetups();
    void defaultsForMissingFileSectionAndKeys();
    void styleLettersAnywhere();
    void conversionErrorStopsLoading();
    void valuesRoundTripThroughTheStore();
    void conversionErrors_data();
    void conversionErrors();
    void lowBitsAndLongNames();
    void nameWithTrailingBlank();
    void eraseSetup();
    void positions();
    void fileProblems();
    void fifoAndDanglingLink();
    void lineBreaksInNamesRefused();
    void sizeThatJustFitsKeptExact();
    void cutFontNameReadsBackAsWritten_data();
    void cutFontNameReadsBackAsWritten();

private:
    std::optional<WorkingFolder> m_folder;
};

void TestSetupStore::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
    ResetRenderSettings();
}

void TestSetupStore::cleanup()
{
    m_folder.reset();
    ResetRenderSettings();
}

void TestSetupStore::saveWritesExactFile()
{
    BGColor = 0x00FFFF00;
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(10);
    SetupFont->SetColor(0x000000FF);
    SetupFont->SetPitch(FontObject::fpVariable);
    SetupFont->SetStyle(FontObject::fsBold | FontObject::fsItalic);
    SetupFont->SetCharset(0);
    HoVar = 3;
    VeVar = 4;
    Rausch = 12;
    SaveSetup("Test");
    const QByteArray first("[Test]\r\nBGColor=00FFFF00\r\nFTName=Arial\r\nFTSize=10\r\nFTColor=000000FF\r\n"
                           "FTPitch=1\r\nFTStyle=BI\r\nFTCSet=0\r\nHoVar=3\r\nVeVar=4\r\nRausch=12\r\n\r\n");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), first);

    // The start-up font: a system colour (negative), charset 1, all four
    // style letters, a name outside ASCII.
    ResetRenderSettings();
    SetupFont->SetName(QStringLiteral("Schrift \u00c4\u00d6\u00dc"));
    SetupFont->SetStyle(FontObject::fsBold | FontObject::fsItalic | FontObject::fsUnderline | FontObject::fsStrikeOut);
    SetupFont->SetPitch(FontObject::fpFixed);
    SaveSetup("Zweites");
    const QByteArray second("[Zweites]\r\nBGColor=00FFFFFF\r\nFTName=Schrift \xc4\xd6\xdc\r\nFTSize=8\r\n"
                            "FTColor=FF000008\r\nFTPitch=2\r\nFTStyle=BIUS\r\nFTCSet=1\r\nHoVar=0\r\nVeVar=0\r\n"
                            "Rausch=0\r\n\r\n");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), first + second);

    // Saving under a name that differs only in case rewrites that section in
    // place and keeps its spelling.
    SetupFont->SetStyle(0);
    SaveSetup("TEST");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")),
             "[Test]\r\nBGColor=00FFFFFF\r\nFTName=Schrift \xc4\xd6\xdc\r\nFTSize=8\r\nFTColor=FF000008\r\n"
             "FTPitch=2\r\nFTStyle=\r\nFTCSet=1\r\nHoVar=0\r\nVeVar=0\r\nRausch=0\r\n\r\n"
                 + second);

    // And it loads back as it was saved, the system colour staying negative.
    setUnusualSettings();
    LoadSetup("zweites");
    QCOMPARE(SetupFont->Name(), QStringLiteral("Schrift \u00c4\u00d6\u00dc"));
    QCOMPARE(SetupFont->Color(), clWindowText);
    QVERIFY(SetupFont->Color() < 0);
    QCOMPARE(SetupFont->Style(), 15);
    QCOMPARE(SetupFont->Pitch(), FontObject::fpFixed);
    QCOMPARE(SetupFont->Charset(), 1);
    QCOMPARE(SetupFont->Size(), 8);
    QCOMPARE(BGColor, clWhite);
}

void TestSetupStore::loadHandWrittenSetups()
{
    QVERIFY(QFile::copy(FixtureDir + "setups.ini", QStringLiteral("LumoSetup.ini")));
    QCOMPARE(ListSetups(), (QList<QByteArray>{"__SetupProgamPositions__", "Blue Note", "Empty Values", "Bad Pitch",
                                              "blue note"}));

    // "[blue note]" repeats "[Blue Note]": the later one is read.
    setUnusualSettings();
    LoadSetup("BLUE NOTE");
    QCOMPARE(BGColor, 0x00112233);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 8);
    QCOMPARE(SetupFont->Color(), clBlack);
    QCOMPARE(SetupFont->Pitch(), FontObject::fpDefault);
    QCOMPARE(SetupFont->Style(), 0);
    QCOMPARE(SetupFont->Charset(), 0);
    QCOMPARE(HoVar, 0);
    QCOMPARE(VeVar, 0);
    QCOMPARE(Rausch, 0);

    // Keys with an empty value: the name stays, the style empties, the
    // integer falls back to its default.
    setUnusualSettings();
    LoadSetup("empty values");
    QCOMPARE(SetupFont->Name(), QStringLiteral("Keep Me"));
    QCOMPARE(SetupFont->Style(), 0);
    QCOMPARE(HoVar, 0);
    QCOMPARE(BGColor, clWhite);

    // Erasing removes only the later one and rewrites the file without its
    // comments; then the earlier one is read.
    EraseSetup("Blue Note");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), ReadBytes(FixtureDir + "setups.erased"));
    LoadSetup("Blue Note");
    QCOMPARE(BGColor, 0x00FF0000);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Times New Roman"));
    QCOMPARE(SetupFont->Size(), 12);
    QCOMPARE(SetupFont->Color(), 0x00FFFFFF);
    QCOMPARE(SetupFont->Pitch(), FontObject::fpFixed);
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsItalic | FontObject::fsStrikeOut);
    QCOMPARE(SetupFont->Charset(), 44);
    QCOMPARE(HoVar, 3);
    QCOMPARE(VeVar, 10);
    QCOMPARE(Rausch, 7);
    // Loading wrote nothing back.
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), ReadBytes(FixtureDir + "setups.erased"));
}

void TestSetupStore::defaultsForMissingFileSectionAndKeys()
{
    const auto verifyDefaults = [] {
        QCOMPARE(BGColor, clWhite);
        QCOMPARE(SetupFont->Name(), QStringLiteral("Arial"));
        QCOMPARE(SetupFont->Size(), 8);
        QCOMPARE(SetupFont->Color(), clBlack);
        QCOMPARE(SetupFont->Pitch(), FontObject::fpDefault);
        QCOMPARE(SetupFont->Style(), 0);
        QCOMPARE(SetupFont->Charset(), 0);
        QCOMPARE(HoVar, 0);
        QCOMPARE(VeVar, 0);
        QCOMPARE(Rausch, 0);
    };

    setUnusualSettings();
    LoadSetup("Anything");
    verifyDefaults();
    QVERIFY(!QFileInfo::exists(QStringLiteral("LumoSetup.ini")));

    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"), "[Other]\r\nBGColor=00000000\r\n[Bare]\r\n; nothing\r\n"));
    setUnusualSettings();
    LoadSetup("Missing");
    verifyDefaults();
    setUnusualSettings();
    LoadSetup("Bare");
    verifyDefaults();
}

void TestSetupStore::styleLettersAnywhere()
{
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"),
                       "[BU]\r\nFTStyle=BU\r\n[Empty]\r\nFTStyle=\r\n[Lower]\r\nFTStyle=bius\r\n"
                       "[Scattered]\r\nFTStyle=xSyBz\r\n[Repeated]\r\nFTStyle=IIII\r\n"));
    LoadSetup("BU");
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsUnderline);
    LoadSetup("Empty");
    QCOMPARE(SetupFont->Style(), 0);
    LoadSetup("Lower");
    QCOMPARE(SetupFont->Style(), 0);
    LoadSetup("Scattered");
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsStrikeOut);
    LoadSetup("Repeated");
    QCOMPARE(SetupFont->Style(), FontObject::fsItalic);
}

void TestSetupStore::conversionErrorStopsLoading()
{
    QVERIFY(QFile::copy(FixtureDir + "setups.ini", QStringLiteral("LumoSetup.ini")));
    setUnusualSettings();
    QCOMPARE(MessageOf([] { LoadSetup("Bad Pitch"); }), notAnInteger(QStringLiteral("x")));
    // Applied before the pitch; untouched from the pitch on.
    RenderValues expected = unusualValues();
    expected.background = 0x00ABCDEF;
    expected.font.SetName(QStringLiteral("Verdana"));
    expected.font.SetSize(14);
    expected.font.SetColor(0x000000FF);
    QVERIFY(CurrentRenderValues() == expected);

    // Reading into a value stops at the same key and leaves the windows'
    // settings alone.
    ResetRenderSettings();
    const RenderValues before = CurrentRenderValues();
    RenderValues read = unusualValues();
    QCOMPARE(MessageOf([&read] { ReadSetup("Bad Pitch", read); }), notAnInteger(QStringLiteral("x")));
    QVERIFY(read == expected);
    QVERIFY(CurrentRenderValues() == before);
}

void TestSetupStore::valuesRoundTripThroughTheStore()
{
    // Every field away from its default, a system colour and a name outside
    // ASCII included.
    RenderValues written = unusualValues();
    written.font.SetName(QStringLiteral("Schrift \u00c4"));
    written.font.SetColor(clWindowText);
    WriteSetup("Wert", written);
    RenderValues read;
    QVERIFY(!(read == written));
    ReadSetup("Wert", read);
    QVERIFY(read == written);
    QCOMPARE(read.font.Size(), 20);

    // One field apart is a different value.
    for (const auto &change : std::initializer_list<void (*)(RenderValues &)>{
             [](RenderValues &v) { v.background = 0x00010204; },
             [](RenderValues &v) { v.font.SetStyle(FontObject::fsItalic); },
             [](RenderValues &v) { v.font.SetCharset(78); },
             [](RenderValues &v) { v.rausch = 18; },
         }) {
        RenderValues other = written;
        change(other);
        QVERIFY(!(other == written));
    }

    // The windows' LoadSetup and SaveSetup go through the same values.
    LoadSetup("Wert");
    QVERIFY(CurrentRenderValues() == written);
    SaveSetup("Kopie");
    RenderValues copy;
    ReadSetup("Kopie", copy);
    QVERIFY(copy == written);
}

void TestSetupStore::conversionErrors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("message");

    QTest::newRow("BGColor zz") << QByteArray("BGColor") << QByteArray("zz") << notAnInteger("$zz");
    QTest::newRow("BGColor empty") << QByteArray("BGColor") << QByteArray() << notAnInteger("$");
    QTest::newRow("BGColor with $") << QByteArray("BGColor") << QByteArray("$00FFFFFF") << notAnInteger("$$00FFFFFF");
    QTest::newRow("FTColor 9 digits") << QByteArray("FTColor") << QByteArray("000000000") << notAnInteger("$000000000");
    QTest::newRow("FTColor empty") << QByteArray("FTColor") << QByteArray() << notAnInteger("$");
    QTest::newRow("FTPitch empty") << QByteArray("FTPitch") << QByteArray() << notAnInteger("");
    QTest::newRow("FTPitch 2147483648") << QByteArray("FTPitch") << QByteArray("2147483648") << notAnInteger("2147483648");
    QTest::newRow("FTCSet empty") << QByteArray("FTCSet") << QByteArray() << notAnInteger("");
    QTest::newRow("FTCSet 1.5") << QByteArray("FTCSet") << QByteArray("1.5") << notAnInteger("1.5");
}

void TestSetupStore::conversionErrors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QString, message);
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"), "[Setup]\r\n" + key + '=' + value + "\r\n"));
    QCOMPARE(MessageOf([] { LoadSetup("Setup"); }), message);
}

void TestSetupStore::lowBitsAndLongNames()
{
    const QByteArray name31("A Font Name Of 31 Characters ok");
    QCOMPARE(name31.size(), 31);
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"),
                       "[Numbers]\r\nFTCSet=300\r\nFTPitch=258\r\nFTSize=0x0C\r\nHoVar=$FFFFFFFF\r\nVeVar=0x\r\n"
                       "Rausch=abc\r\nFTColor=ff0000\r\nFTName=" + name31 + "ABCDEFGHIJ\r\n"
                       "[Negative]\r\nFTCSet=-1\r\nFTPitch=$1FF\r\nFTSize=big\r\nFTName=" + name31 + "\r\n"));
    LoadSetup("Numbers");
    QCOMPARE(SetupFont->Charset(), 44);
    QCOMPARE(SetupFont->Pitch(), 2);
    QCOMPARE(SetupFont->Size(), 12);
    QCOMPARE(HoVar, -1);
    QCOMPARE(VeVar, 0);
    QCOMPARE(Rausch, 0);
    QCOMPARE(SetupFont->Color(), 0x00FF0000);
    QCOMPARE(SetupFont->Name(), QString::fromLatin1(name31));

    LoadSetup("Negative");
    QCOMPARE(SetupFont->Charset(), 255);
    QCOMPARE(SetupFont->Pitch(), 255);
    QCOMPARE(SetupFont->Size(), 8);
    QCOMPARE(SetupFont->Name(), QString::fromLatin1(name31));
}

void TestSetupStore::nameWithTrailingBlank()
{
    SetupFont->SetName(QStringLiteral("Georgia"));
    SaveSetup("Arial 8 ");
    QVERIFY(ReadBytes(QStringLiteral("LumoSetup.ini")).startsWith("[Arial 8 ]\r\n"));
    QCOMPARE(ListSetups(), QList<QByteArray>{"Arial 8"});

    // The stored name lost its blank, so the typed name no longer finds it.
    setUnusualSettings();
    LoadSetup("Arial 8 ");
    QCOMPARE(SetupFont->Name(), QStringLiteral("Arial"));
    QCOMPARE(HoVar, 0);

    SetupFont->SetName(QStringLiteral("Tahoma"));
    SaveSetup("Arial 8 ");
    QCOMPARE(ListSetups(), (QList<QByteArray>{"Arial 8", "Arial 8"}));
    LoadSetup("Arial 8");
    QCOMPARE(SetupFont->Name(), QStringLiteral("Tahoma"));

    // Saving under the listed name writes into the later of the two.
    SetupFont->SetName(QStringLiteral("Verdana"));
    SaveSetup("Arial 8");
    const SettingsFile file;
    QCOMPARE(file.Sections(), (QList<QByteArray>{"Arial 8", "Arial 8"}));
    QCOMPARE(file.ReadString("Arial 8", "FTName", ""), QByteArray("Verdana"));
    QVERIFY(ReadBytes(QStringLiteral("LumoSetup.ini"))
                .startsWith("[Arial 8]\r\nBGColor=00FFFFFF\r\nFTName=Georgia\r\n"));
}

void TestSetupStore::eraseSetup()
{
    // A missing file is created, empty.
    EraseSetup("Nothing");
    QVERIFY(QFileInfo::exists(QStringLiteral("LumoSetup.ini")));
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), QByteArray());

    // A name that is not there still rewrites the file.
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"), "; comment\n[One]\nk = v\n[Two]\nk=w\n"));
    EraseSetup("Three");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), QByteArray("[One]\r\nk=v\r\n\r\n[Two]\r\nk=w\r\n\r\n"));

    EraseSetup("one");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), QByteArray("[Two]\r\nk=w\r\n\r\n"));
    EraseSetup("TWO");
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), QByteArray());
    QVERIFY(ListSetups().isEmpty());
}

void TestSetupStore::positions()
{
    QVERIFY(QFile::copy(FixtureDir + "setups.ini", QStringLiteral("LumoSetup.ini")));
    QCOMPARE(ReadPosition(PositionKeys::WinEditLeft), 64);
    QCOMPARE(ReadPosition(PositionKeys::WinEditTop), -5);
    QCOMPARE(SettingsFile().ReadInteger(PositionSection, "wineditTOP", 50), -5);
    QCOMPARE(ReadPosition(PositionKeys::WinEditWidth), 300);
    QCOMPARE(ReadPosition(PositionKeys::WinImageLeft), 16);
    QCOMPARE(ReadPosition(PositionKeys::WinImageTop), 50);
    QCOMPARE(ReadPosition(PositionKeys::WinSetupLeft), 150);

    QFile::remove(QStringLiteral("LumoSetup.ini"));
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"),
                       "[__StandardSetup__]\r\nHoVar=1\r\n[__SetupProgamPositions__]\r\nWinEditTop=1\r\nOther=x\r\n"));
    WritePositions({{PositionKeys::WinEditLeft, 10}, {PositionKeys::WinEditTop, 20}, {PositionKeys::WinImageLeft, -30}});
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")),
             QByteArray("[__StandardSetup__]\r\nHoVar=1\r\n\r\n"
                        "[__SetupProgamPositions__]\r\nWinEditTop=20\r\nOther=x\r\nWinEditLeft=10\r\nWinImageLeft=-30\r\n\r\n"));
    QCOMPARE(ReadPosition(PositionKeys::WinImageLeft), -30);

    // Every window's keys with their defaults, as a fresh program writes them.
    QFile::remove(QStringLiteral("LumoSetup.ini"));
    QList<std::pair<PositionKey, std::int32_t>> defaults;
    for (const PositionKey &key : PositionKeys::All)
        defaults.append({key, key.defaultValue});
    WritePositions(defaults);
    const SettingsFile written;
    for (const PositionKey &key : PositionKeys::All)
        QCOMPARE(written.ReadInteger(PositionSection, key.name, -1), key.defaultValue);
    QCOMPARE(ListSetups(), QList<QByteArray>{PositionSection});
}

void TestSetupStore::fileProblems()
{
    const QString fullPath = AbsoluteNativePath("LumoSetup.ini");
    const QString cannotOpen =
        QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. file to open is a directory").arg(fullPath);
    QVERIFY(QDir().mkdir(QStringLiteral("LumoSetup.ini")));

    setUnusualSettings();
    QCOMPARE(MessageOf([] { LoadSetup("Any"); }), cannotOpen);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Keep Me"));
    QCOMPARE(BGColor, 0x00010203);
    QCOMPARE(MessageOf([] { SaveSetup("Any"); }), cannotOpen);
    QCOMPARE(MessageOf([] { ListSetups(); }), cannotOpen);
    QCOMPARE(MessageOf([] { EraseSetup("Any"); }), cannotOpen);
    QCOMPARE(MessageOf([] { ReadPosition(PositionKeys::WinEditLeft); }), cannotOpen);
    QCOMPARE(MessageOf([] { WritePositions({{PositionKeys::WinEditLeft, 1}}); }), cannotOpen);
    QVERIFY(QFileInfo(QStringLiteral("LumoSetup.ini")).isDir());

    const QString elsewhere = QStringLiteral("missing/LumoSetup.ini");
    QCOMPARE(MessageOf([&elsewhere] { SaveSetup("Any", elsewhere); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. No such file or directory")
                 .arg(AbsoluteNativePath(elsewhere)));
}

void TestSetupStore::fifoAndDanglingLink()
{
    // A FIFO would hold the open until a writer came; it is refused at once.
    QCOMPARE(mkfifo("LumoSetup.ini", 0600), 0);
    const QString notRegular = OpenMessage(AbsoluteNativePath("LumoSetup.ini"), QStringLiteral("Not a regular file"));
    QCOMPARE(MessageOf([] { ListSetups(); }), notRegular);
    QCOMPARE(MessageOf([] { LoadSetup("Any"); }), notRegular);
    QVERIFY(QFile::remove("LumoSetup.ini"));

    // A link to nothing is a missing file: defaults, an empty list, and a
    // save creates the link's target, keeping the link.
    QVERIFY(QFile::link("target.ini", "LumoSetup.ini"));
    setUnusualSettings();
    QCOMPARE(ListSetups(), QList<QByteArray>());
    LoadSetup("Any");
    QCOMPARE(SetupFont->Name(), QStringLiteral("Arial"));
    QCOMPARE(HoVar, 0);
    SaveSetup("Mine");
    QVERIFY(QFileInfo("LumoSetup.ini").isSymLink());
    QVERIFY(ReadBytes("target.ini").startsWith("[Mine]\r\nBGColor=00FFFFFF\r\nFTName=Arial\r\n"));
    QCOMPARE(ListSetups(), QList<QByteArray>{"Mine"});
}

void TestSetupStore::lineBreaksInNamesRefused()
{
    const QByteArray stored = "[Keep]\r\nHoVar=1\r\n\r\n";
    QVERIFY(WriteBytes("LumoSetup.ini", stored));

    // A name that would plant a positions section of its own.
    const QByteArray evil = "Evil]\r\n[__SetupProgamPositions__]\r\nWinEditLeft=-30000\r\n[x";
    QCOMPARE(MessageOf([&evil] { SaveSetup(evil); }),
             QStringLiteral("Name \"Evil]\\r\\n[__SetupProgamPositions__]\\r\\nWinEditLeft=-30000\\r\\n[x\" "
                            "darf keinen Zeilenumbruch (CR, LF) und kein NUL-Zeichen enthalten"));
    QCOMPARE(MessageOf([] { SaveSetup(QByteArray("Nul\0Name", 8)); }),
             QStringLiteral("Name \"Nul\\0Name\" darf keinen Zeilenumbruch (CR, LF) und kein NUL-Zeichen enthalten"));
    // A font name that would plant a key.
    SetupFont->SetName(QStringLiteral("Arial\r\nHoVar=99999"));
    QCOMPARE(MessageOf([] { SaveSetup("Plain"); }),
             QStringLiteral("Name \"Arial\\r\\nHoVar=99999\" darf keinen Zeilenumbruch (CR, LF) und kein "
                            "NUL-Zeichen enthalten"));
    QCOMPARE(ReadBytes("LumoSetup.ini"), stored);
}

void TestSetupStore::sizeThatJustFitsKeptExact()
{
    // 1610612736 pt is exactly -2147483648 pixels at 96 dpi, which fits.
    QVERIFY(WriteBytes("LumoSetup.ini", "[Huge]\r\nFTSize=1610612736\r\n[Beyond]\r\nFTSize=2147483647\r\n"));
    LoadSetup("Huge");
    QCOMPARE(SetupFont->Height(), std::numeric_limits<std::int32_t>::min());
    QCOMPARE(SetupFont->Size(), 1610612736);
    SaveSetup("Huge");
    QCOMPARE(SettingsFile().ReadString("Huge", "FTSize", ""), QByteArray("1610612736"));

    // What does not fit is clamped.
    LoadSetup("Beyond");
    QCOMPARE(SetupFont->Height(), std::numeric_limits<std::int32_t>::min());
}

void TestSetupStore::cutFontNameReadsBackAsWritten_data()
{
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<QByteArray>("readName");
    QTest::newRow("cut ends in a blank") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZABCD EF")
                                         << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");
    QTest::newRow("cut ends in NUL bytes") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZAB\0\0\0\0X", 33)
                                           << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZAB");
    QTest::newRow("cut ends in a tab") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZABCD\tEF")
                                       << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");
}

void TestSetupStore::cutFontNameReadsBackAsWritten()
{
    QFETCH(QByteArray, storedName);
    QFETCH(QByteArray, readName);

    QVERIFY(WriteBytes("LumoSetup.ini", "[Long]\r\nFTName=" + storedName + "\r\n"));
    LoadSetup("Long");
    QCOMPARE(SetupFont->Name(), QString::fromLatin1(readName));
    SaveSetup("Long");
    const QByteArray first = ReadBytes("LumoSetup.ini");
    LoadSetup("Long");
    SaveSetup("Long");
    QCOMPARE(ReadBytes("LumoSetup.ini"), first);
    QVERIFY(first.contains("FTName=" + readName + "\r\n"));
}

QTEST_MAIN(TestSetupStore)
#include "tst_setupstore.moc"
