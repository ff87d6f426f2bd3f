#include "ui/main_window.h"

#include <QCloseEvent>
#include <QPixmap>

#include "platform/colour.h"
#include "ui/colours.h"
#include "ui/fonts.h"

namespace i2ct::ui {
namespace {

constexpr QSize kClientSize{1000, 660};
constexpr QPoint kOuterTopLeft{100, 235};
constexpr QSize kLogoSize{180, 20};

QLabel* Caption(const QString& text, const QRect& place, QWidget& window) {
    auto* label = new QLabel(text, &window);
    label->setGeometry(place);
    label->setFont(LabelFont());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* Button(const QString& text, const QRect& place, QWidget& window) {
    auto* button = new QPushButton(text, &window);
    button->setGeometry(place);
    return button;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("I2C-BUS    USB   Terminal    V 2.2            Selmur & Vusk"));
    resize(kClientSize);
    move(kOuterTopLeft);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    // The creation order decides the stacking and the focus chain.
    status_ = new QLineEdit(QStringLiteral("Offline"), this);
    status_->setGeometry(160, 10, 60, 20);
    // The program alone writes the status: the user can neither focus it, nor paste or drop
    // text into it.
    status_->setFocusPolicy(Qt::NoFocus);
    status_->setContextMenuPolicy(Qt::NoContextMenu);
    status_->setAcceptDrops(false);
    SetBackground(*status_, colour::kRed);

    statusLabel_ = Caption(QStringLiteral("Modem-Status:"), {10, 10, 130, 20}, *this);
    help_ = Button(QStringLiteral("?"), {950, 10, 20, 20}, *this);
    messageLabel_ = Caption(QStringLiteral("Status:"), {10, 630, 70, 20}, *this);

    message_ = new QLineEdit(this);
    message_->setGeometry(90, 630, 650, 20);
    message_->setReadOnly(true);
    SetBackground(*message_, colour::kGrey);
    SetTextColour(*message_, colour::kBlack);

    // The picture is wider than the button, which shows its middle.
    logo_ = Button(QString(), {800, 630, 170, 20}, *this);
    logo_->setIcon(QPixmap(QStringLiteral(":/logo.bmp")));
    logo_->setIconSize(kLogoSize);

    stop_ = Button(QStringLiteral("LISTEN - STOP"), {230, 10, 130, 20}, *this);
    stop_->hide();

    output_ = new OutputEditor(this);
    output_->setGeometry(10, 40, 970, 580);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit closeRequested();
}

}  // namespace i2ct::ui
