// Shared pieces of the file model tests: an event recorder, and a reference model that
// splits a whole file into lines and rows the simple way, to compare the model against.
#pragma once

#include "core/viewer/HvFileModel.h"
#include "support/TempFiles.h"

#include <QByteArray>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace hy::viewer::test {

class Recorder : public THvModelEvents {
public:
    void ModelLineTotalFound(LineNumber total) override { totals.push_back(total); }
    void ModelShowHourglass() override
    {
        ++depth;
        ++shown;
    }
    void ModelHideHourglass() override { --depth; }
    LineNumber ModelCaretLine() const override { return caretLine; }
    void ModelFileChanged() override { ++changed; }

    std::vector<LineNumber> totals;
    int changed = 0;
    int depth = 0;
    int shown = 0;
    LineNumber caretLine = 0;
};

// Lines of a whole file: a line ends at CR LF, CR or LF; a CR that is the file's last byte starts no new line.
inline std::vector<std::string> ReferenceLines(const QByteArray& data)
{
    std::vector<std::string> lines;
    if (data.isEmpty())
        return lines;
    std::string cur;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            else if (c == '\r' && i == n - 1)
                break; // a CR as the file's last byte
            lines.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    lines.push_back(cur);
    return lines;
}

// What LineText shows of a raw line: at most 1023 characters, zero bytes as spaces.
inline std::string Shown(const std::string& raw)
{
    std::string s = raw.substr(0, 1023);
    for (char& c : s) {
        if (c == 0)
            c = ' ';
    }
    return s;
}

inline std::string ReferenceHexRow(const QByteArray& data, qint64 row, bool filter, bool expandTabs)
{
    std::string s(75, ' ');
    char head[16];
    std::snprintf(head, sizeof head, "%08llX", static_cast<unsigned long long>(row * 16));
    s.replace(0, 8, head);
    for (int i = 0; i < 16 && row * 16 + i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[row * 16 + i]);
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        s[10 + 3 * i] = two[0];
        s[11 + 3 * i] = two[1];
        const bool dot = b == 0 || (b == 9 && expandTabs) || (filter && (b < 32 || b > 127));
        s[59 + i] = dot ? '.' : char(b);
    }
    return s;
}

inline std::string Text(THvFileModel& m, LineNumber line)
{
    int len = -1;
    const char* p = m.LineText(line, len);
    EXPECT_EQ(int(std::strlen(p)), len);
    return std::string(p, size_t(len));
}

// Random text: lines of random length from a small alphabet, ended by CR LF, CR or LF, with some zero
// bytes and the odd long line.
inline QByteArray RandomText(std::mt19937& rng, int lines, const std::string& alphabet, int maxLen = 80)
{
    QByteArray out;
    static const char* const ends[] = { "\r\n", "\r", "\n" };
    for (int i = 0; i < lines; ++i) {
        int len = int(rng() % unsigned(maxLen + 1));
        if (rng() % 50 == 0)
            len = 900 + int(rng() % 4500);
        for (int j = 0; j < len; ++j) {
            if (rng() % 200 == 0)
                out.append('\0');
            else
                out.append(alphabet[rng() % alphabet.size()]);
        }
        if (i + 1 < lines || rng() % 2)
            out.append(ends[rng() % 3]);
    }
    return out;
}

} // namespace hy::viewer::test
