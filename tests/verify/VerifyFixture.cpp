#include "VerifyFixture.h"

#include <gtest/gtest.h>


#include "TableWorkbook.h"
#include "TestPaths.h"

namespace sheetwise::test {
namespace fs = std::filesystem;

namespace {

const char* const kGridCsv =
    "head,name,amount,note,tag\n"
    "r2,alpha,10,n2,t2\n"
    "r3,beta,20,n3,t3\n"
    "r4,gamma,30,n4,t4\n"
    "r5,delta,40,n5,t5\n"
    "r6,epsilon,50,n6,t6\n"
    "r7,zeta,60,n7,t7\n"
    "r8,eta,70,n8,plantme\n";

void Replace(const std::string& path, const std::string& from, const std::string& to) {
  std::string bytes = ReadFile(path);
  const auto at = bytes.find(from);
  ASSERT_NE(at, std::string::npos) << from << " is not in " << path;
  bytes.replace(at, from.size(), to);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Forwards everything; a save plants the difference before the check sees the file.
class PlantingWorkbook : public host::Workbook {
 public:
  PlantingWorkbook(std::unique_ptr<host::Workbook> book, const PlantingOffice& office)
      : book_(std::move(book)), office_(office) {}
  std::unique_ptr<host::Worksheet> worksheet(const std::string& name) override { return book_->worksheet(name); }
  std::unique_ptr<host::Worksheet> worksheetAt(int position) override { return book_->worksheetAt(position); }
  std::unique_ptr<host::Worksheet> activeSheet() override { return book_->activeSheet(); }
  void saveChecked(const host::BeforeReplace& check) override { book_->saveChecked(plant(check)); }
  void saveAsChecked(const std::string& path, const host::BeforeReplace& check) override {
    book_->saveAsChecked(path, plant(check));
  }

 private:
  host::BeforeReplace plant(const host::BeforeReplace& check) {
    return [this, check](const std::string& written) {
      if (office_.planting) Replace(written, office_.from, office_.to);
      if (check) check(written);
    };
  }
  std::unique_ptr<host::Workbook> book_;
  const PlantingOffice& office_;
};

}  // namespace

void CopyGridWorkbook(const fs::path& target) { WriteTableWorkbook(target, kGridCsv, kGridSheet); }

std::unique_ptr<host::Workbook> PlantingOffice::open(const std::string& path, host::OpenMode mode) {
  return std::make_unique<PlantingWorkbook>(office_.open(path, mode), *this);
}

}  // namespace sheetwise::test
