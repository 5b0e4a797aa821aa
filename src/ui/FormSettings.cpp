#include "ui/FormSettings.h"

namespace sheetwise::ui {

batch::NamingRules NamingRulesOf(const Form1& form) {
  return {form.Text4.text, form.Text5.text, form.Text6.text, form.Text7.text,
          form.Text12.text, form.Text11.text, form.namePrefix};
}

batch::RunSettings RunSettingsOf(const Form1& form) {
  return {form.Text9.text,
          {form.Text10.text, form.Text13.text, form.Text14.text},
          form.Check1.value == 1,
          NamingRulesOf(form),
          rules::ParseRules(form.List3.items, form.Check2.value == 1)};
}

}  // namespace sheetwise::ui
