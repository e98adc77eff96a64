/* Login window skin: a Qt style sheet, applied when this file is present. */

QGroupBox {
    border: 1px solid #a9a497;
    border-radius: 4px;
    margin-top: 6px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
    color: #23385a;
}

QPushButton {
    color: #1d2b45;
    border: 1px solid #7f8aa0;
    border-radius: 3px;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fdfdfd, stop: 1 #dfe3ea);
}

QPushButton:hover {
    border-color: #4a6a9c;
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #e8eef8);
}

QPushButton:pressed {
    background: #cfd7e4;
}

QPushButton:focus {
    border: 1px solid #2f5a96;
}

QLineEdit {
    border: 1px solid #a9a497;
    border-radius: 2px;
    padding: 0 3px;
    background: #ffffff;
    selection-background-color: #3b6ea5;
}

QLineEdit:focus {
    border-color: #2f5a96;
}
