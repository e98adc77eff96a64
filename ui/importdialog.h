#pragma once

#include "export/importplan.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ui {

// The preview of an import: the first rows of the file as the table will
// store them, under the table's columns. Above each column the field it
// takes (or "skip"); a cell that will not convert shows why. The reading
// of the file (encoding, delimiter, captions) and of its cells (empty
// cells, the NULL text) can be changed, and the preview follows. Its
// default button is "Import": Enter starts the import.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    ImportDialog(const QString &path, const QString &table,
                 std::vector<db::ImportTarget> targets, QWidget *parent);

    exports::ImportOptions options() const;
    exports::RowCount rowCount() const;
    qint64 previewedSize() const { return m_preview.fileSize; }
    // What keeps the import from starting (a file problem); empty when none.
    QString problem() const;
    // Cells of the preview that will not convert.
    int refusedCells() const { return m_refusedCells; }

private:
    void createControls();
    void createEncodings();
    QWidget *createOptionRow();
    void sniff();
    void readFile();
    void mapByDefault();
    void fillMappingRow();
    void showPreview();
    void showCell(int row, int column, const exports::Record &record,
                  const exports::ImportOptions &options);
    void showState();
    exports::TextEncoding chosenEncoding() const;

    QString m_path;
    QString m_table;
    std::vector<db::ImportTarget> m_targets;
    exports::FileSniff m_sniff;
    exports::ImportPreview m_preview;
    std::vector<int> m_mapping;
    std::vector<exports::TextEncoding> m_encodings;
    int m_refusedCells = 0;
    bool m_filling = false;

    QLabel *m_problem = nullptr;
    QComboBox *m_encoding = nullptr;
    QComboBox *m_delimiter = nullptr;
    QCheckBox *m_captions = nullptr;
    QComboBox *m_emptyCells = nullptr;
    QLineEdit *m_nullText = nullptr;
    QCheckBox *m_skipRefused = nullptr;
    QCheckBox *m_updateSameKey = nullptr;
    QTableWidget *m_grid = nullptr;
    QLabel *m_rowCount = nullptr;
    QPushButton *m_import = nullptr;
};

} // namespace ui
