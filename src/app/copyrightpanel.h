#pragma once

// The credits panel: the logo and who made the program. Display only.

#include <QWidget>

class QLabel;

namespace dipsheet::app {

class CopyrightPanel : public QWidget {
    Q_OBJECT

public:
    explicit CopyrightPanel(QWidget* parentArea);

private:
    QLabel* Image1;
    QLabel* lblCopyright;
    QLabel* lblBy;
    QLabel* lblAuthor;
};

}  // namespace dipsheet::app
