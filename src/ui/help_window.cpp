#include "ui/help_window.h"

#include <QCloseEvent>

#include "ui/event_pump.h"
#include "ui/fonts.h"
#include "ui/qt_text.h"

namespace i2ct::ui {
namespace {

constexpr QSize kClientSize{1100, 860};
constexpr QPoint kOuterTopLeft{100, 50};

// The default tab stops of a Windows edit control: every half inch.
constexpr qreal kTabStopInches = 0.5;

}  // namespace

HelpView::HelpView(const std::vector<Text>& lines)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Hilfe für Terminal Befehle"));
    setFixedSize(kClientSize);
    move(kOuterTopLeft);

    text_ = new QPlainTextEdit(this);
    text_->setGeometry(10, 10, 1080, 840);
    text_->setFont(ConsoleFont());
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Three lines indent with tabs; at these stops their texts line up with the other lines.
    text_->setTabStopDistance(text_->logicalDpiX() * kTabStopInches);

    // Each line ends with a line break, so an empty line follows the last one.
    QString all;
    for (const Text& line : lines) {
        all += ToQString(line);
        all += QChar(u'\n');
    }
    text_->setPlainText(all);
}

void HelpView::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit closeRequested();
}

HelpWindowPort::HelpWindowPort(QWidget& mainWindow, EventPump& pump)
    : mainWindow_(mainWindow), pump_(pump) {}

bool HelpWindowPort::open(const std::vector<Text>& lines) {
    view_ = std::make_unique<HelpView>(lines);
    QObject::connect(view_.get(), &HelpView::closeRequested, &pump_,
                     [this] { pump_.post(WindowEvent::Close); });
    view_->show();
    return true;
}

void HelpWindowPort::close() {
    // Deleted at once: the program runs no event loop of Qt's that would carry out a later
    // deletion.
    view_.reset();
    mainWindow_.activateWindow();
}

}  // namespace i2ct::ui
