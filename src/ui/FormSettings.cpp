#include "ui/FormSettings.h"

namespace sheetwise::ui {

batch::NamingRules NamingRulesOf(const Form1& form) {
  return {form.Text4.text, form.Text5.text, form.Text6.text, form.Text7.text,
          form.Text12.text, form.Text11.text, form.namePrefix};
}

batch::WorkbookKinds KindsOf(const Form1& form) {
  using batch::WorkbookKind;
  batch::WorkbookKinds kinds = batch::WorkbookKinds::None();
  kinds.set(WorkbookKind::Xls, form.TypeXls.value == 1);
  kinds.set(WorkbookKind::Xlsx, form.TypeXlsx.value == 1);
  kinds.set(WorkbookKind::Xlsm, form.TypeXlsm.value == 1);
  kinds.set(WorkbookKind::Ods, form.TypeOds.value == 1);
  return kinds;
}

batch::RunSettings RunSettingsOf(const Form1& form) {
  batch::RunSettings settings{form.Text9.text,
                              {form.Text10.text, form.Text13.text, form.Text14.text},
                              form.Check1.value == 1,
                              NamingRulesOf(form),
                              rules::ParseRules(form.List3.items, form.Check2.value == 1)};
  settings.kinds = KindsOf(form);
  return settings;
}

}  // namespace sheetwise::ui
