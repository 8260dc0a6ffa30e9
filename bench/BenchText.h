#pragma once

#include <QByteArray>
#include <iterator>

// The benchmarks' text: words and CR LF lines of 60 to 80 characters, the
// same every time, cut to the given length.
inline QByteArray BenchText(qsizetype bytes)
{
    static const char *const words[] = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing",
                                        "elit", "sed", "do", "eiusmod", "tempor", "incididunt", "ut", "labore",
                                        "et", "dolore", "magna", "aliqua", "Lumo", "zeichnet", "Text"};
    QByteArray text;
    text.reserve(bytes + 64);
    quint32 state = 12345;
    int lineLength = 0;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        text.append(words[(state >> 16) % std::size(words)]);
        lineLength += 6;
        if (lineLength > 60 + int((state >> 8) % 20)) {
            text.append("\r\n");
            lineLength = 0;
        } else {
            text.append(' ');
        }
    }
    text.truncate(bytes);
    return text;
}
