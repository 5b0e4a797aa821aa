#include "ui/qt/QtDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QPushButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace sheetwise::ui::qt {

namespace {

// Texts of the logic end lines with CR LF; Qt's labels want LF alone.
QString Display(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

void QtDialogs::prepare() {
  if (beforeWaiting_) beforeWaiting_();
}

void QtDialogs::message(const std::string& text, MessageStyle style) {
  prepare();
  const bool plain = style == MessageStyle::Plain;
  QMessageBox box(plain ? QMessageBox::NoIcon : QMessageBox::Information, plain ? QString(kAppTitle) : QString(),
                  Display(text), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

std::unique_ptr<QMessageBox> QuestionBox(const std::string& question, const std::string& goOn, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Question, kAppTitle, Display(question), QMessageBox::NoButton,
                                           parent);
  box->addButton(QString::fromStdString(goOn), QMessageBox::AcceptRole);
  QPushButton* cancel = box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
  box->setDefaultButton(cancel);
  box->setEscapeButton(cancel);
  return box;
}

bool QtDialogs::confirm(const std::string& question, const std::string& goOn) {
  prepare();
  const auto box = QuestionBox(question, goOn, QApplication::activeWindow());
  box->exec();
  return box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole;
}

int QtDialogs::choose(const std::string& text, const std::vector<std::string>& choices) {
  prepare();
  QMessageBox box(QMessageBox::Question, QString(kAppTitle), Display(text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  std::vector<QAbstractButton*> buttons;
  for (const auto& choice : choices) {
    buttons.push_back(box.addButton(QString::fromStdString(choice), QMessageBox::AcceptRole));
  }
  if (!buttons.empty()) {
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    box.setEscapeButton(buttons.back());  // Escape and the title bar's close press the last choice
  }
  box.exec();
  const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return pressed == buttons.end() ? -1 : static_cast<int>(pressed - buttons.begin());
}

std::string QtDialogs::input(const std::string& prompt) {
  prepare();
  QInputDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(kAppTitle);
  dialog.setLabelText(Display(prompt));
  dialog.setTextValue(QString());
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

std::string QtDialogs::chooseFolder(const std::string& title) {
  prepare();
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), QString::fromStdString(title)).toStdString();
}

std::string QtDialogs::chooseFile(const std::string& filter) {
  prepare();
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(), QString::fromStdString(filter))
      .toStdString();
}

std::string QtDialogs::chooseSaveFile(const std::string& filter, const std::string& defaultSuffix) {
  prepare();
  QFileDialog dialog(QApplication::activeWindow(), QString(), QString(), QString::fromStdString(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst().toStdString();
}

void QtDialogs::processPendingEvents() {
  prepare();
  QCoreApplication::processEvents();
}

}  // namespace sheetwise::ui::qt
