#pragma once
// A dialogs port for tests: records what was shown, answers from scripts.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "ui/Dialogs.h"

namespace sheetwise::test {

class ScriptedDialogs : public ui::Dialogs {
 public:
  std::vector<std::pair<std::string, ui::MessageStyle>> messages;
  std::deque<std::string> inputAnswers;  // taken in order; "" when run out
  std::vector<std::string> inputPrompts;
  std::deque<bool> confirmAnswers;  // taken in order; false ("取消") when run out
  std::deque<std::string> folderAnswers;  // taken in order; "" when run out
  std::deque<std::string> fileAnswers;
  std::vector<std::string> fileFilters;  // of every file chooser shown
  std::deque<int> choiceAnswers;         // taken in order; 0 (the default) when run out
  // The text of every question; a choice's with its choices after " ? ".
  std::vector<std::string> questions;

  void message(const std::string& text, ui::MessageStyle style) override { messages.emplace_back(text, style); }
  bool confirm(const std::string& question, const std::string&) override {
    questions.push_back(question);
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  std::string input(const std::string& prompt) override {
    inputPrompts.push_back(prompt);
    return take(inputAnswers);
  }
  int choose(const std::string& text, const std::vector<std::string>& choices) override {
    std::string asked = text + " ?";
    for (const auto& choice : choices) asked += " " + choice;
    questions.push_back(asked);
    if (choiceAnswers.empty()) return 0;
    const int answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
  }
  std::string chooseFolder(const std::string&) override { return take(folderAnswers); }
  std::string chooseFile(const std::string& filter) override {
    fileFilters.push_back(filter);
    return take(fileAnswers);
  }
  std::string chooseSaveFile(const std::string&, const std::string&) override { return take(fileAnswers); }
  void processPendingEvents() override {}

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.first);
    return texts;
  }

 private:
  static std::string take(std::deque<std::string>& answers) {
    if (answers.empty()) return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace sheetwise::test
