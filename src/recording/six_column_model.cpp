#include "recording/six_column_model.h"

#include <limits>

namespace {

constexpr qsizetype MaxTextBytes = std::numeric_limits<quint32>::max();
constexpr qsizetype MaxRows = std::numeric_limits<int>::max();

// Readings, dates and numbers are ASCII; only such cells take the quick road.
void AppendUtf8(std::vector<char>& out, const QString& text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    const size_t at = out.size();
    out.resize(at + size_t(n));
    char* dst = out.data() + at;
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] >= 0x80) {
            out.resize(at);
            const QByteArray utf8 = text.toUtf8();
            out.insert(out.end(), utf8.cbegin(), utf8.cend());
            return;
        }
        dst[i] = char(s[i]);
    }
}

bool IsAscii(const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    }
    return true;
}

qsizetype Utf8SizeBound(const DataFields& texts) {
    qsizetype size = 0;
    for (const QString& t : texts)
        size += 3 * t.size(); // a UTF-16 unit never takes more than three UTF-8 bytes
    return size;
}

} // namespace

SixColumnModel::SixColumnModel(QObject* parent)
    : QAbstractTableModel(parent) {}

int SixColumnModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int SixColumnModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SixColumnModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const int channel = index.column() - FirstChannelColumn;
    const CorrectedCells* corrected = channel >= 0 ? Corrected(index.row()) : nullptr;
    const ReadingCorrection kind =
        corrected ? corrected->kinds[size_t(channel)] : ReadingCorrection::None;
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (kind == ReadingCorrection::None)
            return Text(index.row(), index.column());
        return corrected->texts[size_t(channel)] + CorrectionMarker(kind);
    }
    if (role == Qt::ToolTipRole && kind != ReadingCorrection::None)
        return QStringLiteral("read ") + Text(index.row(), index.column()).trimmed();
    return {};
}

void SixColumnModel::SetCorrected(int row, const CorrectedCells& cells) {
    if (row < 0 || row >= rowCount())
        return;
    bool any = false;
    for (ReadingCorrection kind : cells.kinds)
        any = any || kind != ReadingCorrection::None;
    if (!any) {
        m_corrected.erase(row);
        return;
    }
    m_corrected[row] = cells;
    Q_EMIT dataChanged(index(row, FirstChannelColumn), index(row, ColumnCount - 1));
}

void SixColumnModel::SetCorrectedRows(std::unordered_map<int, CorrectedCells> rows) {
    const auto none = [](const CorrectedCells& cells) {
        for (ReadingCorrection kind : cells.kinds) {
            if (kind != ReadingCorrection::None)
                return false;
        }
        return true;
    };
    for (auto it = rows.begin(); it != rows.end();) {
        if (it->first < 0 || it->first >= rowCount() || none(it->second))
            it = rows.erase(it);
        else
            ++it;
    }
    m_corrected = std::move(rows);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, FirstChannelColumn), index(rowCount() - 1, ColumnCount - 1));
}

const SixColumnModel::CorrectedCells* SixColumnModel::Corrected(int row) const {
    if (m_corrected.empty())
        return nullptr;
    const auto it = m_corrected.find(row);
    return it == m_corrected.end() ? nullptr : &it->second;
}

QString SixColumnModel::ShownText(int row, int column) const {
    const int channel = column - FirstChannelColumn;
    const CorrectedCells* corrected = channel >= 0 && channel < 4 ? Corrected(row) : nullptr;
    if (corrected && corrected->kinds[size_t(channel)] != ReadingCorrection::None)
        return corrected->texts[size_t(channel)];
    return Text(row, column);
}

QString CorrectionMarker(ReadingCorrection kind) {
    switch (kind) {
    case ReadingCorrection::Corrected:
        return QStringLiteral(" *");
    case ReadingCorrection::Beyond:
        return QStringLiteral(" !");
    case ReadingCorrection::None:
        break;
    }
    return QString();
}

QString CorrectionLegend() {
    return QStringLiteral("* corrected by calibration, ! beyond the calibrated points; "
                          "hover for the reading as read");
}

QVariant SixColumnModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_headings[size_t(section)];
    return {};
}

Qt::ItemFlags SixColumnModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SixColumnModel::SetHeadings(const DataFields& headings) {
    m_headings = headings;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void SixColumnModel::SetHeading(int column, const QString& text) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_headings[size_t(column)] = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString SixColumnModel::Heading(int column) const {
    if (column < 0 || column >= ColumnCount)
        return {};
    return m_headings[size_t(column)];
}

bool SixColumnModel::Fits(qsizetype rows, qsizetype bytes) const {
    return qsizetype(m_cellEnds.size() / ColumnCount) + rows <= MaxRows &&
           qsizetype(m_text.size()) + bytes <= MaxTextBytes;
}

void SixColumnModel::Store(const DataFields& texts) {
    for (const QString& t : texts) {
        AppendUtf8(m_text, t);
        m_cellEnds.push_back(quint32(m_text.size()));
    }
}

bool SixColumnModel::AppendRow(const DataFields& texts) {
    ShowStagedRows();
    if (!Fits(1, Utf8SizeBound(texts)))
        return false;
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    Store(texts);
    ++m_rows;
    endInsertRows();
    return true;
}

bool SixColumnModel::AppendRows(const QList<DataFields>& rows) {
    ShowStagedRows();
    if (rows.isEmpty())
        return true;
    qsizetype bytes = 0;
    for (const DataFields& r : rows)
        bytes += Utf8SizeBound(r);
    if (!Fits(rows.size(), bytes))
        return false;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_cellEnds.reserve(m_cellEnds.size() + size_t(rows.size()) * ColumnCount);
    for (const DataFields& r : rows)
        Store(r);
    m_rows += int(rows.size());
    endInsertRows();
    return true;
}

bool SixColumnModel::StageRow(const DataFieldBytes& fields, DataFileEncoding encoding) {
    qsizetype bytes = 0;
    for (QByteArrayView f : fields)
        bytes += 3 * f.size(); // a Windows-1252 byte never takes more than three UTF-8 bytes
    if (!Fits(1, bytes))
        return false;
    for (QByteArrayView f : fields) {
        if (encoding == DataFileEncoding::Utf8 || IsAscii(f.data(), size_t(f.size())))
            m_text.insert(m_text.end(), f.begin(), f.end());
        else
            AppendUtf8(m_text, DecodeWindows1252(f.data(), f.size()));
        m_cellEnds.push_back(quint32(m_text.size()));
    }
    return true;
}

void SixColumnModel::ShowStagedRows() {
    const int staged = int(m_cellEnds.size() / ColumnCount) - m_rows;
    if (staged <= 0)
        return;
    beginInsertRows(QModelIndex(), m_rows, m_rows + staged - 1);
    m_rows += staged;
    endInsertRows();
}

void SixColumnModel::Clear() {
    beginResetModel();
    std::vector<char>().swap(m_text);
    std::vector<quint32>().swap(m_cellEnds);
    m_corrected.clear();
    m_rows = 0;
    endResetModel();
}

QString SixColumnModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return {};
    const size_t cell = size_t(row) * ColumnCount + size_t(column);
    const quint32 begin = cell == 0 ? 0 : m_cellEnds[cell - 1];
    return QString::fromUtf8(m_text.data() + begin, qsizetype(m_cellEnds[cell] - begin));
}

DataFieldBytes SixColumnModel::RowBytes(int row) const {
    DataFieldBytes bytes;
    for (int k = 0; k < ColumnCount; ++k) {
        const size_t cell = size_t(row) * ColumnCount + size_t(k);
        const quint32 begin = cell == 0 ? 0 : m_cellEnds[cell - 1];
        bytes[size_t(k)] = QByteArrayView(m_text.data() + begin, m_cellEnds[cell] - begin);
    }
    return bytes;
}

void SixColumnModel::AppendFileLine(int row, QByteArray& out, int* replaced) const {
    // Cells of plain ASCII without a line break are already the file's bytes.
    const auto plain = [](QByteArrayView bytes) {
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) >= 0x80 || c == '\r' || c == '\n')
                return false;
        }
        return true;
    };
    const DataFieldBytes cells = RowBytes(row);
    for (int k = 0; k < ColumnCount; ++k) {
        if (plain(cells[size_t(k)]))
            out.append(cells[size_t(k)]).append('\t');
        else
            AppendDataField(out, Text(row, k), replaced);
    }
    out.append("\r\n", 2);
}

DataFields SixColumnModel::RowTexts(int row) const {
    DataFields texts;
    for (int k = 0; k < ColumnCount; ++k)
        texts[size_t(k)] = Text(row, k);
    return texts;
}

qint64 SixColumnModel::MemoryBytes() const {
    return qint64(m_text.capacity()) + qint64(m_cellEnds.capacity() * sizeof(quint32));
}
