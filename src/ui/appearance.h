#pragma once

// How the panels look: twips, the program's colours and fonts, caption colours, and the
// program's style with its flat button faces.

#include <QColor>
#include <QFont>
#include <QRect>

class QWidget;
class QAbstractButton;
class QStyle;

namespace dipsheet::ui {

// ---- Twips: 1/1440 inch, 15 to a device-independent pixel at 96 dpi (Qt scales on dense screens).
constexpr int twips(int t) {
    return (t + 7) / 15;
}
QRect twipsRect(int left, int top, int width, int height);
// Moves and sizes a widget to a box given in twips, relative to its parent.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// ---- Colours (red, green, blue).
namespace colour {
inline const QColor blue{0, 0, 255};
inline const QColor cyan{0, 255, 255};
inline const QColor yellow{255, 255, 0};
inline const QColor lightGrey{192, 192, 192};
inline const QColor green{0, 255, 0};
inline const QColor white{255, 255, 255};
inline const QColor red{255, 0, 0};
inline const QColor magenta{255, 0, 255};
}  // namespace colour

// Background of any widget (panels, labels, frames, options, fields); on a push button it is
// the face colour.
void setBackground(QWidget* widget, const QColor& colour);
QColor background(const QWidget* widget);
void setTextColour(QWidget* widget, const QColor& colour);
// The caption of an option button or check box in `colour`, while its indicator keeps the
// system's text colour for its mark on its white face, whatever text colour the button's
// parents pass down (a white caption alone would whiten the mark too).
void setCaptionColour(QAbstractButton* button, const QColor& colour);

// ---- Fonts: the default face ("MS Sans Serif" 8.25 pt maps to a comparable installed face),
// the 12 pt bold sans-serif of headings, the 9.75 pt sans-serif of the client name.
QFont defaultFont();
QFont headingFont();
QFont clientFont();

// The program's style: Fusion, with push buttons that have a colour of their own painted flat
// in exactly that colour (a raised edge at rest, sunken while pressed, a dotted focus frame).
// The caller owns the style (QApplication::setStyle takes it).
QStyle* programStyle();

}  // namespace dipsheet::ui
