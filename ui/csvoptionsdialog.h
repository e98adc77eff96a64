#pragma once

#include "export/tablewriter.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ui {

// The CSV export's choices, asked after the file name: a UTF-8 byte-order
// mark for spreadsheet programs, the delimiter, the text written for NULL,
// and whether only the selected rows are written or every row the filter
// shows.
class CsvOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    CsvOptionsDialog(bool hasSelection, QWidget *parent);

    exports::CsvOptions options() const;
    bool selectedRowsOnly() const;

private:
    QCheckBox *m_byteOrderMark = nullptr;
    QComboBox *m_delimiter = nullptr;
    QLineEdit *m_nullText = nullptr;
    QRadioButton *m_allRows = nullptr;
    QRadioButton *m_selectedRows = nullptr;
};

} // namespace ui
