#include "CsvReader.h"

#include "Cp1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace Csv {

namespace {

// Walks the records of `text`: `onField(QString, bool blank)` for every field (`blank` when it is
// unquoted and empty), `onRecordEnd()` after each record. Stops after `maxRecords` records when
// that is positive. Without MakeText the fields come empty: only their count matters.
template<bool MakeText, typename OnField, typename OnRecordEnd>
void walk(QStringView text, QChar delimiter, int maxRecords, OnField onField, OnRecordEnd onRecordEnd)
{
    const qsizetype n = text.size();
    const char16_t delim = delimiter.unicode();
    const QChar* const data = text.data();
    const auto append = [data](QString& field, qsizetype from, qsizetype count) {
        if constexpr (MakeText)
            field.append(data + from, count);
    };
    qsizetype i = 0;
    int records = 0;
    while (i < n) {
        // One record.
        while (true) {
            // One field.
            QString field;
            bool blank = false;
            if (i < n && data[i] == u'"') {
                ++i;
                qsizetype start = i;
                while (i < n) {
                    if (data[i] == u'"') {
                        append(field, start, i - start);
                        if (i + 1 < n && data[i + 1] == u'"') {
                            if constexpr (MakeText)
                                field.append(u'"');
                            i += 2;
                            start = i;
                            continue;
                        }
                        ++i;
                        start = -1;
                        break;
                    }
                    ++i;
                }
                if (start >= 0) // no closing quote: the rest of the file is the field
                    append(field, start, i - start);
                // Anything between the closing quote and the delimiter is kept as written.
                const qsizetype tail = i;
                while (i < n && data[i] != delim && data[i] != u'\n' && data[i] != u'\r')
                    ++i;
                if (i > tail)
                    append(field, tail, i - tail);
            } else {
                const qsizetype start = i;
                while (i < n && data[i] != delim && data[i] != u'\n' && data[i] != u'\r')
                    ++i;
                blank = i == start;
                if constexpr (MakeText)
                    field = QString(data + start, i - start);
            }
            onField(std::move(field), blank);
            if (i < n && data[i] == delim) {
                ++i;
                if (i < n)
                    continue;
                onField(QString(), true); // a delimiter ending the file opens one last, empty field
            }
            break;
        }
        onRecordEnd();
        ++records;
        if (i < n && data[i] == u'\r') {
            ++i;
            if (i < n && data[i] == u'\n')
                ++i;
        } else if (i < n && data[i] == u'\n') {
            ++i;
        }
        if (maxRecords > 0 && records >= maxRecords)
            return;
    }
}

} // namespace

QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Cp1252::decode(bytes);
}

QChar detectDelimiter(QStringView text)
{
    constexpr int SampleRecords = 20;
    const std::array<QChar, 4> candidates{QChar(u';'), QChar(u','), QChar(u'\t'), QChar(u'|')};
    QChar best = candidates[0];
    double bestConsistency = 0.0;
    int bestFields = 1;
    for (QChar candidate : candidates) {
        std::vector<int> counts;
        int fields = 0;
        walk<false>(
            text, candidate, SampleRecords, [&](QString&&, bool) { ++fields; },
            [&] {
                counts.push_back(fields);
                fields = 0;
            });
        const int sampled = int(counts.size());
        // Lines this candidate does not split count against it, but cannot be its mode.
        counts.erase(std::remove(counts.begin(), counts.end(), 1), counts.end());
        if (counts.empty())
            continue;
        std::map<int, int> frequency;
        for (int c : counts)
            ++frequency[c];
        int mode = 1;
        int modeCount = 0;
        for (const auto& [fieldCount, times] : frequency) {
            if (times > modeCount || (times == modeCount && fieldCount > mode)) {
                mode = fieldCount;
                modeCount = times;
            }
        }
        const double consistency = double(modeCount) / double(std::max(sampled, 1));
        if (consistency > bestConsistency || (consistency == bestConsistency && mode > bestFields)) {
            best = candidate;
            bestConsistency = consistency;
            bestFields = mode;
        }
    }
    return best;
}

Grid parse(QStringView text, QChar delimiter)
{
    // A first pass sizes the grid, so the second writes each field straight into its cell.
    int records = 0;
    int kept = 0; // records up to the last that is not a blank line
    int width = 1;
    int fields = 0;
    bool blankLine = true;
    walk<false>(
        text, delimiter, 0,
        [&](QString&&, bool blank) {
            blankLine = fields == 0 && blank;
            ++fields;
        },
        [&] {
            ++records;
            if (fields > 1 || !blankLine)
                kept = records;
            width = std::max(width, fields);
            fields = 0;
        });

    Grid grid(width, std::max(1, kept));
    if (kept == 0)
        return grid;
    int row = 0;
    int column = 0;
    walk<true>(
        text, delimiter, kept,
        [&](QString&& field, bool) { grid.setCell(column++, row, std::move(field)); },
        [&] {
            ++row;
            column = 0;
        });
    return grid;
}

Grid read(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    return parse(text, detectDelimiter(text));
}

} // namespace Csv
