// The forms layer, as the panels use it.

#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "played_outside.h"
#include "ui.h"

namespace ui = dipsheet::ui;

namespace {

// An error of some lower layer with a number of its own.
class NumberedError : public std::runtime_error {
public:
    NumberedError(int number, const char* text) : std::runtime_error(text), m_number(number) {}
    int number() const { return m_number; }

private:
    int m_number;
};

// What the user can mend, with a number of its own.
class MendableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An object whose event handler runs `body` guarded, as every handler of the program that can
// fail does (a database fault, say): the failure is said by the rule and never reaches Qt.
class GuardedObject : public QObject {
public:
    explicit GuardedObject(std::function<void()> body) : m_body(std::move(body)) {}
    int handled = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++handled;
        ui::guarded(m_body);
        return true;
    }

private:
    std::function<void()> m_body;
};

// A window with two single-line fields and a multi-line field, in this tab order.
struct Fields {
    QWidget window;
    QLineEdit* first = new QLineEdit(QStringLiteral("first"));
    QLineEdit* second = new QLineEdit(QStringLiteral("second text"));
    QPlainTextEdit* multi = new QPlainTextEdit(QStringLiteral("line one\nline two"));
    Fields() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(multi);
        multi->setTabChangesFocus(true);
        window.resize(300, 200);
    }
    bool show() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

}  // namespace

class TestUi : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_messages.clear();
        m_ends.clear();
        m_outside = std::make_unique<gui_testing::HandedOutside>();
        m_outside->onMessage = [this](const QString& text) { m_messages << text; };
        m_outside->onEnd = [this](int status) { m_ends << status; };
    }
    void cleanup() { m_outside.reset(); }

    void twipsToPixels() {
        QCOMPARE(ui::twips(15), 1);
        QCOMPARE(ui::twips(1440), 96);
        QCOMPARE(ui::twips(7), 0);  // nearest pixel
        QCOMPARE(ui::twips(8), 1);
        QWidget parent;
        auto* child = new QWidget(&parent);
        ui::placeTwips(child, 3800, 0, 5490, 1110);
        QCOMPARE(child->geometry(), QRect(253, 0, 366, 74));
        QCOMPARE(ui::twipsRect(5550, 3845, 3180, 2175), QRect(370, 256, 212, 145));
    }

    void backgroundsAndFaces() {
        QWidget panel;
        QLabel label(QStringLiteral("Customer Name"));
        QLineEdit field;
        QPushButton button(QStringLiteral("Calculate"));
        ui::setBackground(&panel, ui::colour::blue);
        ui::setBackground(&label, ui::colour::cyan);
        ui::setBackground(&field, ui::colour::white);
        ui::setBackground(&button, ui::colour::yellow);
        QCOMPARE(ui::background(&panel), ui::colour::blue);
        QVERIFY(panel.autoFillBackground());
        QCOMPARE(ui::background(&label), ui::colour::cyan);
        QCOMPARE(field.palette().color(QPalette::Base), ui::colour::white);
        QCOMPARE(ui::background(&button), ui::colour::yellow);
        ui::setTextColour(&label, ui::colour::white);
        QCOMPARE(label.palette().color(QPalette::WindowText), ui::colour::white);
    }

    // The face of a push button is painted flat in exactly its colour, enabled or not; the
    // edge is raised at rest and sunken while pressed.
    void buttonFacePainted() {
        QPushButton button(QStringLiteral("Calculate"));
        button.resize(81, 33);
        const auto pixel = [&button](int x, int y) {
            return button.grab().toImage().pixelColor(x, y);
        };
        for (const QColor& colour : {ui::colour::yellow, ui::colour::green}) {
            ui::setBackground(&button, colour);
            for (const QPoint at : {QPoint(6, 6), QPoint(74, 26), QPoint(40, 4)})
                QCOMPARE(pixel(at.x(), at.y()), colour);
        }
        const QColor raised = pixel(1, 1);
        button.setDown(true);
        QVERIFY(pixel(1, 1) != raised);
        QCOMPARE(pixel(6, 6), ui::colour::green);
        button.setDown(false);
        button.setEnabled(false);
        ui::setBackground(&button, ui::colour::lightGrey);
        QCOMPARE(pixel(6, 26), ui::colour::lightGrey);
        QColor face;

        // An option button shows the colour behind its caption.
        QRadioButton option(QStringLiteral("Horizontal"));
        option.resize(150, 20);
        ui::setBackground(&option, ui::colour::blue);
        QCOMPARE(ui::background(&option), ui::colour::blue);
        face = option.grab().toImage().pixelColor(145, 10);
        QCOMPARE(face, ui::colour::blue);
    }

    void fontsAreInstalledFaces() {
        const QFont def = ui::defaultFont();
        QCOMPARE(def.pointSizeF(), 8.25);
        QCOMPARE(QFontInfo(def).family(), def.family());
        const QFont heading = ui::headingFont();
        QCOMPARE(heading.pointSizeF(), 12.0);
        QVERIFY(heading.bold());
        QCOMPARE(ui::clientFont().pointSizeF(), 9.75);
        // The face the panels were designed with resolves to the same installed face.
        QCOMPARE(QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family(), def.family());
        const auto* style = qobject_cast<const QProxyStyle*>(qApp->style());
        QVERIFY(style);
        QCOMPARE(style->baseStyle()->name().toLower(), QStringLiteral("fusion"));
    }

    void tabEntrySelectsWholeText() {
        Fields f;
        ui::selectAllOnEntry(f.multi);
        QVERIFY(f.show());
        f.second->setFocus();
        QTest::keyClick(f.second, Qt::Key_Tab);
        QTRY_VERIFY(f.multi->hasFocus());
        QCoreApplication::processEvents();
        QCOMPARE(f.multi->textCursor().selectedText(), QStringLiteral("line one\u2029line two"));
        // Typing replaces it.
        QTest::keyClicks(f.multi, QStringLiteral("x"));
        QCOMPARE(f.multi->toPlainText(), QStringLiteral("x"));
    }

    void mouseEntrySelectsWholeText() {
        Fields f;
        ui::selectAllOnEntry(f.second);
        ui::selectAllOnEntry(f.multi);
        QVERIFY(f.show());
        f.first->setFocus();
        QTest::mouseClick(f.second, Qt::LeftButton, {}, QPoint(5, f.second->height() / 2));
        QVERIFY(f.second->hasFocus());
        QTRY_COMPARE(f.second->selectedText(), QStringLiteral("second text"));
        QTest::mouseClick(f.multi->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(f.multi->hasFocus());
        QTRY_COMPARE(f.multi->textCursor().selectedText(),
                     QStringLiteral("line one\u2029line two"));
        // Without the rule the same click leaves nothing selected.
        f.second->deselect();
        QTest::mouseClick(f.first, Qt::LeftButton, {}, QPoint(5, f.first->height() / 2));
        QCoreApplication::processEvents();
        QVERIFY(f.first->hasFocus());
        QVERIFY(!f.first->hasSelectedText());
    }

    // A lost-focus handler can send the focus back (the blank-name refusal does).
    void lostFocusHandlerMayRefocus() {
        Fields f;
        ui::selectAllOnEntry(f.first);
        int lost = 0;
        int got = 0;
        bool refuse = false;
        ui::onGotFocus(f.first, [&] { ++got; });
        ui::onLostFocus(f.first, [&] {
            ++lost;
            if (refuse)
                f.first->setFocus();
        });
        QVERIFY(f.show());
        f.second->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(lost, 1);
        got = lost = 0;
        f.first->setFocus();  // the program moves the focus: entering counts
        QCOMPARE(got, 1);
        f.second->setFocus();  // ... leaving does not
        settle();
        QCOMPARE(lost, 0);
        f.first->setFocus();
        got = 0;
        refuse = true;
        QTest::keyClick(f.first, Qt::Key_Tab);
        QVERIFY(f.second->hasFocus());  // the change completes first
        QTRY_COMPARE(lost, 1);
        QVERIFY(f.first->hasFocus());
        QCOMPARE(got, 1);
        QTRY_COMPARE(f.first->selectedText(), QStringLiteral("first"));
        QCOMPARE(lost, 1);
    }

    // Another window coming to the front is not leaving the field, but what was typed in it is
    // kept: the leaving handlers run, the lost-focus ones do not.
    void windowActivationIsNoFocusMove() {
        Fields f;
        int lost = 0;
        int leaving = 0;
        ui::onLostFocus(f.first, [&] { ++lost; });
        ui::onLeaving(f.first, [&] { ++leaving; });
        QVERIFY(f.show());
        f.first->setFocus();
        QWidget other;
        other.resize(100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCoreApplication::processEvents();
        QCOMPARE(lost, 0);
        QCOMPARE(leaving, 1);
    }

    // What the user can mend is a message and the program runs on; a failure met while the
    // focus moves is said once it has settled, and the same text waiting twice (a save failing
    // again while its message is on screen) is said once.
    void mendableFailuresAreMessages() {
        ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
            if (auto* n = dynamic_cast<const NumberedError*>(&e); n && n->number() == 5)
                return ui::ErrorInfo{5, QString::fromUtf8(n->what()), false};
            return std::nullopt;
        });
        Fields f;
        ui::onLeaving(f.first, [] { throw NumberedError(5, "database is locked"); });
        QVERIFY(f.show());
        f.first->setFocus(Qt::TabFocusReason);
        f.second->setFocus(Qt::TabFocusReason);
        QVERIFY(m_messages.isEmpty());  // not in the middle of the focus change
        settle();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Error 5: database is locked")});
        QVERIFY(m_ends.isEmpty());

        m_messages.clear();
        m_outside->onMessage = [this](const QString& text) {
            m_messages << text;
            ui::messageWhenBack(text);  // the same failure again while it is on screen
            ui::messageWhenBack(QStringLiteral("another"));
            settle();
        };
        ui::messageWhenBack(QStringLiteral("busy"));
        ui::messageWhenBack(QStringLiteral("busy"));
        settle();
        QCOMPARE(m_messages, (QStringList{"busy", "another"}));
    }

    void giveFocusSelects() {
        Fields f;
        ui::selectAllOnEntry(f.second);
        QVERIFY(f.show());
        f.second->setFocus();
        f.second->deselect();
        ui::giveFocus(f.second);
        QCOMPARE(f.second->selectedText(), QStringLiteral("second text"));
    }

    // A panel takes the focus at its first control that Tab reaches.
    void focusPanelFindsFirstControl() {
        QWidget window;
        auto* before = new QLineEdit(&window);
        auto* panel = new QWidget(&window);
        auto* hidden = new QLineEdit(panel);
        hidden->hide();
        auto* disabled = new QPushButton(panel);
        disabled->setEnabled(false);
        auto* frame = new QWidget(panel);
        auto* upper = new QRadioButton(frame);
        auto* lower = new QRadioButton(frame);
        auto* field = new QLineEdit(panel);
        window.resize(200, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        upper->setChecked(true);
        ui::focusPanel(panel);
        QCOMPARE(QApplication::focusWidget(), upper);
        lower->setChecked(true);
        before->setFocus();
        ui::focusPanel(panel);
        QCOMPARE(QApplication::focusWidget(), lower);
        frame->hide();
        ui::focusPanel(panel);
        QCOMPARE(QApplication::focusWidget(), field);
    }

    // The Outside handed last answers, and the one before answers again once it is gone, so
    // a test that fails half-way leaves nothing of its own to the next.
    void messageBoxSeam() {
        ui::messageBox(QStringLiteral("Client Name cannot be blank. Please reenter."));
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("Client Name cannot be blank. Please reenter.")});
        {
            gui_testing::HandedOutside inner;
            ui::messageBox(QStringLiteral("inner"));
            ui::endProgram(2);
            QCOMPARE(inner.messages, QStringList{QStringLiteral("inner")});
            QCOMPARE(inner.ends, QList<int>{2});
        }
        ui::messageBox(QStringLiteral("outer"));
        QCOMPARE(m_messages.last(), QStringLiteral("outer"));
        QVERIFY(m_ends.isEmpty());
        QVERIFY(!ui::endRequested());
    }

    // The real box: titled Dipsheet, no icon, OK only.
    void realMessageBox() {
        m_outside.reset();  // the real boxes
        // Desktop themes put a check mark on OK; offscreen does not, so ask for it here.
        struct IconsOnButtons : QProxyStyle {
            using QProxyStyle::QProxyStyle;
            int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* data) const override {
                if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
                    return 1;
                return QProxyStyle::styleHint(hint, option, widget, data);
            }
        };
        const QString styleBefore = QApplication::style()->name();
        QApplication::setStyle(new IconsOnButtons(QStyleFactory::create(styleBefore)));
        auto restoreStyle = qScopeGuard([&] { QApplication::setStyle(styleBefore); });
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QList<QAbstractButton*> buttons;
        bool okHasIcon = true;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons();
            okHasIcon = !box->button(QMessageBox::Ok)->icon().isNull();
            box->button(QMessageBox::Ok)->click();
        });
        ui::messageBox(QStringLiteral("hello"));
        QCOMPARE(title, QStringLiteral("Dipsheet"));
        QCOMPARE(text, QStringLiteral("hello"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons.size(), 1);
        QVERIFY(!okHasIcon);  // the style's check-mark icon on OK would be an icon too
    }

    // Every box of the forms layer shows its text as typed: a stored name's tags, an image or a
    // link are letters on the label, never rendered.
    void boxesShowTextAsPlainText_data() {
        QTest::addColumn<QString>("box");
        QTest::newRow("message") << "message";
        QTest::newRow("yes/no question") << "question";
        QTest::newRow("whole number") << "number";
    }
    void boxesShowTextAsPlainText() {
        QFETCH(QString, box);
        m_outside.reset();  // the real boxes
        const QString text = QStringLiteral(
            "Delete the chart for <b>Acme</b> <img src=\"logo.png\"> "
            "<a href=\"https://example.com\">here</a>?");
        int labels = 0;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->text() == text) {
                    ++labels;
                    format = label->textFormat();
                }
            }
            dialog->reject();
        });
        if (box == QLatin1String("message"))
            ui::messageBox(text);
        else if (box == QLatin1String("question"))
            QVERIFY(!ui::askYesNo(nullptr, text));
        else
            QVERIFY(!ui::askInteger(nullptr, text, 5, 1, 10));
        QCOMPARE(labels, 1);
        QCOMPARE(format, Qt::PlainText);
    }

    void fatalErrorShowsNumberAndDescription() {
        ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
            if (auto* n = dynamic_cast<const NumberedError*>(&e))
                return ui::ErrorInfo{n->number(), QString::fromUtf8(n->what())};
            return std::nullopt;
        });
        ui::fatalError(std::make_exception_ptr(NumberedError(14, "unable to open database file")));
        QCOMPARE(m_messages, QStringList{QStringLiteral("Error 14: unable to open database file")});
        QCOMPARE(m_ends, QList<int>{1});

        // Anything else: number 0 and its own text.
        QCOMPARE(ui::describeError(std::make_exception_ptr(std::overflow_error("overflow"))).number,
                 0);
        QCOMPARE(
            ui::describeError(std::make_exception_ptr(std::overflow_error("overflow"))).description,
            QStringLiteral("overflow"));
        QCOMPARE(ui::describeError(std::make_exception_ptr(42)).number, 0);
        QVERIFY(!ui::describeError(std::make_exception_ptr(42)).description.isEmpty());
    }

    // A handler wrapped for connect() and an event handler both reach the fatal path.
    void failuresInHandlersReachFatalPath() {
        QPushButton button;
        QObject::connect(&button, &QPushButton::clicked, &button,
                         ui::guard([] { throw NumberedError(3024, "could not find file"); }));
        button.click();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Error 3024: could not find file")});

        GuardedObject failing([] { throw NumberedError(3044, "file not found"); });
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&failing, &event);
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages.last(), QStringLiteral("Error 3044: file not found"));
        QCOMPARE(m_ends, (QList<int>{1, 1}));
    }

    // Qt's own event delivery, with no notify of the program's to catch what unwinds through it:
    // a failing handler says its failure from its guard, and the events queued after it are
    // handled as usual.
    void handlerFailuresStayInTheHandler() {
        static_assert(std::is_same_v<decltype(&ui::Application::notify),
                                     bool (QApplication::*)(QObject*, QEvent*)>,
                      "the application object leaves notify to Qt");
        ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
            if (dynamic_cast<const MendableError*>(&e))
                return ui::ErrorInfo{482, QString::fromUtf8(e.what()), false};
            return std::nullopt;
        });
        int calls = 0;
        GuardedObject object([&calls] {
            if (++calls == 1)
                throw MendableError("the printer is not ready");
        });
        for (int i = 0; i < 3; ++i)
            QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
        QTRY_COMPARE(object.handled, 3);
        QCOMPARE(calls, 3);
        QCOMPARE(m_messages, QStringList{QStringLiteral("Error 482: the printer is not ready")});
        QVERIFY(m_ends.isEmpty());
    }

    void oneShotSeamAndRealTimer() {
        QObject owner;
        int seamMs = 0;
        std::function<void()> pending;
        m_outside->oneShot = [&](QObject*, int ms, std::function<void()> handler) {
            seamMs = ms;
            pending = std::move(handler);
        };
        int fired = 0;
        ui::startOneShot(&owner, 7000, [&] { ++fired; });
        QCOMPARE(seamMs, 7000);
        QCOMPARE(fired, 0);
        pending();
        QCOMPARE(fired, 1);

        m_outside->oneShot = nullptr;  // the real timer from here on
        ui::startOneShot(&owner, 5, [&] { ++fired; });
        QTRY_COMPARE(fired, 2);
        QTest::qWait(30);
        QCOMPARE(fired, 2);  // once only

        // Never early: the splash must stay its full time (a coarse timer may fire 5% early).
        QElapsedTimer clock;
        clock.start();
        qint64 firedAfter = 0;
        ui::startOneShot(&owner, 400, [&] { firedAfter = clock.elapsed(); });
        QTRY_VERIFY(firedAfter > 0);
        QVERIFY2(firedAfter >= 400, qPrintable(QString::number(firedAfter)));

        // A timer dies with its owner.
        auto doomed = std::make_unique<QObject>();
        ui::startOneShot(doomed.get(), 5, [&] { ++fired; });
        doomed.reset();
        QTest::qWait(30);
        QCOMPARE(fired, 2);
    }

    // Kept last: leaving the event loop leaves the application's loops for good.
    void endProgramLeavesEventLoop() {
        m_outside.reset();  // the real end
        QEventLoop loop;
        QTimer::singleShot(0, [] { ui::endProgram(3); });
        QTimer::singleShot(2000, &loop, [&] { loop.exit(-7); });
        QCOMPARE(loop.exec(), 3);
        // Left before the program's own loop runs (the fatal path at start-up): that loop ends
        // at once with the status asked for, instead of running on without a window.
        QCOMPARE(ui::Application::exec(), 3);
    }

private:
    std::unique_ptr<gui_testing::HandedOutside> m_outside;
    QStringList m_messages;
    QList<int> m_ends;
};

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    TestUi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ui.moc"
