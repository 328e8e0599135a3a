#pragma once

// The six-column table that every list window shows (the live list's and the saved-file list's
// `GridN`, the logger data list's `GridC` and `GridF`): column k is `GridN` column k, 0 the record
// number, 1 the date and time, 2 to 5 the channels T1 to T4.
//
// Grid row 0, the heading row, is the model's horizontal header; grid row i (i >= 1) is model
// row i - 1. So rowCount() counts data rows, and "row count of grid 0" is rowCount() + 1.
//
// The live list holds 320000 rows, so rows are kept as UTF-8 bytes in one growing block with an
// end offset per cell, not as six QStrings per row (about 24 bytes a row beside the text).

#include "recording/data_file.h"
#include "recording/sample_record.h"

#include <QAbstractTableModel>

#include <array>
#include <unordered_map>
#include <vector>

class SixColumnModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;
    enum Column { RecordColumn = 0, DateTimeColumn = 1, FirstChannelColumn = 2 };

    explicit SixColumnModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display (and accessible) text of a cell; the cells are not editable.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Horizontal: the heading texts (grid row 0). Vertical: nothing, the record number is a column.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The heading row: `GridN(k)` row 0. Empty texts until set.
    void SetHeadings(const DataFields& headings);
    void SetHeading(int column, const QString& text);
    DataFields Headings() const { return m_headings; }
    QString Heading(int column) const;

    // Adds a row to all six columns. False (and nothing added) only when the table has grown to
    // the limit of its storage (4 GiB of text or INT_MAX rows).
    bool AppendRow(const DataFields& texts);
    // Many rows with one insertion notice, for loading files and filling from the logger.
    bool AppendRows(const QList<DataFields>& rows);
    // Rows straight from a data file's bytes, in two steps so that a file costs one insertion
    // notice per batch and no text per cell: StageRow keeps a row out of sight (false, and
    // nothing kept, at the limit above), ShowStagedRows adds every kept row to the table.
    bool StageRow(const DataFieldBytes& fields, DataFileEncoding encoding);
    void ShowStagedRows();
    // Back to the heading row only, as when a list window loads; the headings stay. Frees the rows.
    void Clear();

    // The six texts of data row `row` (model row, 0-based) and one cell's text.
    DataFields RowTexts(int row) const;
    QString Text(int row, int column) const;
    // The UTF-8 bytes of data row `row`'s six cells, valid until the table changes.
    DataFieldBytes RowBytes(int row) const;
    // Data row `row` as the data file line that saves it, appended to `out`; `replaced` as in
    // EncodeDataLine.
    void AppendFileLine(int row, QByteArray& out, int* replaced) const;

    // Bytes held for the rows (capacity, not just size): what the table costs in memory.
    qint64 MemoryBytes() const;

    // Calibration-corrected readings shown over the channel cells of data row `row`: the cell
    // shows the corrected text followed by " *" (" !" beyond the calibrated points) and the
    // reading as read on hover ("read 23.4"). Only the display changes: Text, RowBytes and
    // AppendFileLine keep what the meter read, so that a save writes the file's bytes.
    struct CorrectedCells {
        std::array<QString, 4> texts;
        std::array<ReadingCorrection, 4> kinds{};
    };
    void SetCorrected(int row, const CorrectedCells& cells);
    // Many rows at once (a whole file's): one change notice for all of them.
    void SetCorrectedRows(std::unordered_map<int, CorrectedCells> rows);
    // The corrected cells of a row, or null where it shows what was read.
    const CorrectedCells* Corrected(int row) const;
    bool AnyCorrected() const { return !m_corrected.empty(); }
    // The channel cell as shown corrected, without its marker; the read text where it is not
    // corrected. `column` is 2 to 5.
    QString ShownText(int row, int column) const;

private:
    bool Fits(qsizetype rows, qsizetype bytes) const;
    void Store(const DataFields& texts);

    DataFields m_headings;
    std::vector<char> m_text;        // every cell's UTF-8 bytes, row by row, column by column
    std::vector<quint32> m_cellEnds; // end offset in m_text of each cell, six per row
    int m_rows = 0;                  // rows shown; staged rows follow them in the storage
    std::unordered_map<int, CorrectedCells> m_corrected; // by model row, only rows corrected
};

// The marker after a corrected reading in every list: " *" corrected, " !" beyond the
// calibrated points, "" as read; and the legend line under a list that shows them.
QString CorrectionMarker(ReadingCorrection kind);
QString CorrectionLegend();
