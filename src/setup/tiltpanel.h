#pragma once

// The tilt panel: how a horizontal tank lies. The fall to end B (how much lower the bottom of
// the shell is at seam B than at seam A; negative when A is lower) and where the dipstick
// stands on the shell's bottom, from seam A. Blank means level and the middle. It stands below
// the heads panel, shown for both horizontal shapes.

#include <QList>
#include <QWidget>

#include <string>

class QLabel;
class QLineEdit;

namespace dipsheet::setup {

class TiltPanel : public QWidget {
    Q_OBJECT

public:
    explicit TiltPanel(QWidget* parentArea);

    // The fall and the dip point as typed, and put back.
    std::string fall() const;
    std::string dipAt() const;
    void setTexts(const std::string& fall, const std::string& dipAt);
    // The two fields, the fall first.
    QList<QLineEdit*> fields() const { return {txtFall, txtDipAt}; }

private:
    QLabel* lblFall;
    QLineEdit* txtFall;
    QLabel* lblDipAt;
    QLineEdit* txtDipAt;

signals:
    // A text changed.
    void edited();
};

}  // namespace dipsheet::setup
