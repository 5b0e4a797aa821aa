#include "ui/qt/AboutBoxView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/qt/CaptionLabel.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/Mirror.h"
#include "ui/qt/Twips.h"

namespace sheetwise::ui::qt {

namespace {

constexpr TwipsSize kClient{6150, 5535};
constexpr TwipsRect kLabel1{240, 120, 1440, 495};
constexpr TwipsRect kImage1{5040, 120, 735, 615};
constexpr TwipsRect kText1{240, 720, 5895, 3975};
constexpr TwipsRect kCommand1{840, 4800, 1455, 615};
constexpr TwipsRect kCommand2{3960, 4800, 1455, 615};
constexpr int kIconPixels = 32;
constexpr int kTabStopCharacters = 8;  // a text box's tab stops

QString Notice(const std::string& text) { return Q(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

}  // namespace

AboutBoxView::AboutBoxView(Form4& form, QWidget& mainWindow, std::function<void()> endProgram)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      form_(form),
      mainWindow_(mainWindow),
      endProgram_(std::move(endProgram)) {
  setObjectName("Form4");
  setWindowTitle(Q(form_.caption));
  setWindowIcon(mainWindow_.windowIcon());
  setFont(WindowFont(kSong, 9));
  setFixedSize(ToPixels(kClient));
  build();
  centreOnScreen();
}

void AboutBoxView::build() {
  auto* warning = new CaptionLabel(this);
  warning->setObjectName("Label1");
  warning->setGeometry(ToPixels(kLabel1));
  warning->setFont(WindowFont(kSong, 24));
  warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  warning->setText(Q(form_.Label1.caption));

  auto* image = new QLabel(this);
  image->setObjectName("Image1");
  image->setGeometry(ToPixels(kImage1));
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image->setPixmap(mainWindow_.windowIcon().pixmap(kIconPixels));

  auto* notice = new QPlainTextEdit(this);
  notice->setObjectName("Text1");
  notice->setGeometry(ToPixels(kText1));
  notice->setReadOnly(true);
  notice->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette buttonFace = notice->palette();
  buttonFace.setColor(QPalette::Base, palette().color(QPalette::Button));
  notice->setPalette(buttonFace);
  notice->setTabStopDistance(kTabStopCharacters * notice->fontMetrics().averageCharWidth());
  notice->setPlainText(Notice(form_.Text1.text));

  const QFont buttonFont = WindowFont(kSong, 12);
  auto* ready = new QPushButton(Q(form_.Command1.caption), this);
  ready->setObjectName("Command1");
  ready->setGeometry(ToPixels(kCommand1));
  ready->setFont(buttonFont);
  connect(ready, &QPushButton::clicked, this, [this] { act(Command1_Click(form_)); });

  auto* quit = new QPushButton(Q(form_.Command2.caption), this);
  quit->setObjectName("Command2");
  quit->setGeometry(ToPixels(kCommand2));
  quit->setFont(buttonFont);
  connect(quit, &QPushButton::clicked, this, [this] { act(Command2_Click(form_)); });
}

void AboutBoxView::centreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect place(QPoint(), size());
  place.moveCenter(screen->availableGeometry().center());
  move(place.topLeft());
}

void AboutBoxView::act(AboutChoice choice) {
  if (choice == AboutChoice::EndProgram) {
    endProgram_();
    return;
  }
  mainWindow_.show();
  hide();  // closing for good: the close button's handling is not for this
}

void AboutBoxView::closeEvent(QCloseEvent* event) {
  event->ignore();
  act(TitleBarClose(form_));
}

}  // namespace sheetwise::ui::qt
