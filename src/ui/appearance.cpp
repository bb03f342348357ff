#include "appearance.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPen>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace dipsheet::ui {

// ---- Twips

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

// ---- Colours

namespace {

// The palette role a widget paints its background with: the base of text fields and grids,
// else the widget's own background role (Button for every kind of button, so the face of a push
// button, and the area behind an option button's or check box's caption).
QPalette::ColorRole backgroundRole(const QWidget* widget) {
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractScrollArea*>(widget))
        return QPalette::Base;
    return widget->backgroundRole();
}

void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::All, role, colour);
    widget->setPalette(p);
}

}  // namespace

void setBackground(QWidget* widget, const QColor& colour) {
    const QPalette::ColorRole role = backgroundRole(widget);
    setRole(widget, role, colour);
    if (role != QPalette::Base) {
        // Window too, which children inherit and styles use around a button's face.
        if (role != QPalette::Window)
            setRole(widget, QPalette::Window, colour);
        if (!widget->inherits("QPushButton")) {
            widget->setAutoFillBackground(true);
        } else {
            // A disabled caption in dark grey, so it still reads on a light grey face.
            QPalette p = widget->palette();
            p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
            widget->setPalette(p);
        }
    }
}

QColor background(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, backgroundRole(widget));
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::All, role, colour);
    widget->setPalette(p);
}

void setCaptionColour(QAbstractButton* button, const QColor& colour) {
    const QColor mark = QApplication::palette().color(QPalette::Text);
    setTextColour(button, colour);
    QPalette p = button->palette();
    p.setColor(QPalette::Text, mark);
    button->setPalette(p);
}

// ---- Fonts

namespace {

// The first of a few sans-serif faces comparable to "MS Sans Serif" that is installed.
QString sansFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans", "Arial", "Helvetica"}) {
            if (installed.contains(QString::fromLatin1(candidate), Qt::CaseInsensitive))
                return QString::fromLatin1(candidate);
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QFont sans(double points, bool bold, int stretch = QFont::Unstretched) {
    QFont f(sansFamily());
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStretch(stretch);
    return f;
}

// The panels' captions were measured in "MS Sans Serif", about a tenth narrower than the
// installed faces at the same size: at 92 % width they fit the boxes they were laid out for.
constexpr int kDefaultStretch = 92;

}  // namespace

QFont defaultFont() {
    return sans(8.25, false, kDefaultStretch);
}
QFont headingFont() {
    return sans(12.0, true);
}
QFont clientFont() {
    return sans(9.75, false);
}

// ---- Style

namespace {

// Fusion with the faces of coloured push buttons painted flat in their exact colour: a 3-D
// edge of one light and one dark line, raised at rest and sunken while pressed, around a face
// that is the button's colour and nothing else; a dotted frame shows the focus. Buttons
// without a colour of their own (the message box's OK) keep Fusion's look.
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand && hasFace(widget)) {
            const QRect r = option->rect.adjusted(0, 0, -1, -1);
            const bool down = option->state & (State_Sunken | State_On);
            painter->save();
            painter->fillRect(option->rect, option->palette.color(QPalette::Button));
            painter->setPen(QColor(0, 0, 0));
            painter->drawRect(r);  // the outline
            const QRect in = r.adjusted(1, 1, -1, -1);
            const QColor light(255, 255, 255);
            const QColor dark(128, 128, 128);
            painter->setPen(down ? dark : light);
            painter->drawLine(in.topLeft(), in.topRight());
            painter->drawLine(in.topLeft(), in.bottomLeft());
            painter->setPen(down ? light : dark);
            painter->drawLine(in.bottomLeft(), in.bottomRight());
            painter->drawLine(in.topRight(), in.bottomRight());
            if (option->state & State_HasFocus) {
                // The keyboard focus: a dotted frame inside the edge, on the face's colour.
                painter->setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
                painter->drawRect(r.adjusted(3, 3, -3, -3));
            }
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        // The caption moves with the pressed face.
        if ((metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical) &&
            hasFace(widget))
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    static bool hasFace(const QWidget* widget) {
        return qobject_cast<const QPushButton*>(widget) &&
               widget->palette().isBrushSet(QPalette::Active, QPalette::Button);
    }
};

}  // namespace

QStyle* programStyle() {
    return new ProgramStyle;
}

}  // namespace dipsheet::ui
