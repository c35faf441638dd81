// Shelf-life dates: how production date, shelf life and expiry date follow each other, the
// user's "AdjustPeriod" setting, and the completeness check with its messages.
#include <gtest/gtest.h>

#include "services/batch_shelflife.h"
#include "tests/services_batch/service_test_bill.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

class ShelfLifeDates : public ServiceTest<3> {
protected:
    // Rows ICClassUserProfile answers with for "AdjustPeriod".
    std::vector<MemoryRecordset::Row> adjustRows;

    void SetUp() override {
        db.info->answer = [this](const std::string& sql) -> RecordsetPtr {
            if (sql.find("ICClassUserProfile") != std::string::npos) {
                return MemoryRecordset::Make({"FValue"}, adjustRows);
            }
            return NoRows("X");
        };
    }
};

TEST_F(ShelfLifeDates, ProductionDateOrShelfLifeGivesTheExpiryDate) {
    FillRow(bill, 1, "FKFDate=2024-01-01 FKFPeriod=30");
    CalcKFDates(bill, Changed("fkfdate"), 1);
    ExpectRow(bill, 1, "FPeriodDate=2024-01-31");

    FillRow(bill, 1, "FKFPeriod=366");  // across the leap day of 2024
    CalcKFDates(bill, Changed("FKFPeriod"), 1);
    ExpectRow(bill, 1, "FPeriodDate=2025-01-01");
    // The expiry date follows without asking for the user's setting.
    EXPECT_EQ(db.CountContaining("AdjustPeriod"), 0);
}

// With the user's "AdjustPeriod" 1 the shelf life follows instead: BatchOnHost reads the setting
// from the host's user profiles.
TEST_F(ShelfLifeDates, EditedExpiryWithoutTheSettingMovesTheProductionDate) {
    for (auto rows : {std::vector<MemoryRecordset::Row>{},                 // no setting
                      std::vector<MemoryRecordset::Row>{{"0"}},            // set to 0
                      std::vector<MemoryRecordset::Row>{{"1"}, {"1"}}}) {  // not exactly one
        adjustRows = rows;
        FillRow(bill, 1, "FKFDate=2024-01-01 FKFPeriod=30 FPeriodDate=2024-03-01");
        CalcKFDates(bill, Changed("FPERIODDATE"), 1);
        ExpectRow(bill, 1, "FKFDate=2024-01-31 FKFPeriod=30");
    }
}

TEST_F(ShelfLifeDates, BrokenDatesAndAbsurdShelfLivesChangeNothing) {
    FillRow(bill, 1, "FPeriodDate=keep");
    // 1900-01-01 is the missing-date mark, not a production date.
    for (auto [changed, row] : std::vector<std::pair<const char*, const char*>>{
             {"FKFDate", "FKFDate=2024-02-30 FKFPeriod=30"},
             {"FKFPeriod", "FKFDate=2024-01-01 FKFPeriod=1e12"},
             {"FKFPeriod", "FKFPeriod=-1e12"},
             {"FKFPeriod", "FKFPeriod=5000000"},
             {"FKFPeriod", "FKFDate=1900-01-01 FKFPeriod=10"}}) {
        FillRow(bill, 1, row);
        CalcKFDates(bill, Changed(changed), 1);
        ExpectRow(bill, 1, "FPeriodDate=keep");
    }

    // An expiry date moved below the year 1 is skipped, not written.
    adjustRows = {};
    FillRow(bill, 1, "FKFDate=2024-01-01 FKFPeriod=3000000 FPeriodDate=0005-01-01");
    CalcKFDates(bill, Changed("FPeriodDate"), 1);
    ExpectRow(bill, 1, "FKFDate=2024-01-01");
    // Header rows and other keys are not shelf-life rows.
    CalcKFDates(bill, Changed("FKFDate"), -1);
    CalcKFDates(bill, Changed("FQty"), 1);
    CalcKFDates(bill, nullptr, 1);
    ExpectRow(bill, 1, "FPeriodDate=0005-01-01");
}

TEST_F(ShelfLifeDates, TwinAndChildSetsUseTheirOwnKeys) {
    FillRow(bill, 1, "FKFDate=2020-05-05 FKFDate01=2024-01-01 FKFPeriod01=30");
    CalcKFDates01(bill, Changed("FKFDATE01"), 1);
    ExpectRow(bill, 1, "FPeriodDate01=2024-01-31");
    EXPECT_TRUE(bill.Get("FPeriodDate", 1).IsEmpty());
    // The main set's key does nothing to the twin set.
    FillRow(bill, 1, "FPeriodDate01=");
    CalcKFDates01(bill, Changed("FKFDate"), 1);
    ExpectRow(bill, 1, "FPeriodDate01=");

    FillRow(bill, 2, "FDate1=2024-02-01 FInteger=29");
    CalcKFDates(bill, Changed("FInteger"), 2, FieldSet::Child());
    ExpectRow(bill, 2, "FDate2=2024-03-01");

    FillRow(bill, 3, "FProDate=2024-01-01 FKFPeriod=10");
    CalcKFDates(bill, Changed("FProDate"), 3, FieldSet::Main(), true);
    ExpectRow(bill, 3, "FExpDate=2024-01-11");
}

// ---- Completeness ------------------------------------------------------------------------------

class ShelfLifeCheck : public ::testing::Test {
protected:
    TestBill bill;
    void SetUp() override { bill.rows = 3; }
    void Row(int r, const Value& production, const Value& period, const Value& expiry) {
        bill.Set("FKFDate", production, r);
        bill.Set("FKFPeriod", period, r);
        bill.Set("FPeriodDate", expiry, r);
    }
    // The refusal's message, and its cell as " @key@row" (nothing without one).
    static std::string Said(const Verdict& v) {
        return v.Message() + (v.FocusKey().empty()
                                  ? ""
                                  : " @" + v.FocusKey() + "@" + std::to_string(v.FocusRow()));
    }
};

TEST_F(ShelfLifeCheck, ZeroShelfLifeWithEqualDatesPasses) {
    Row(1, "2024-01-01", 0, "2024-01-01");
    EXPECT_TRUE(CheckKFFieldsFilled(bill, 1).Passed());
    Row(2, "2024-01-01", 30, "2024/1/31");  // another date spelling of the same day
    EXPECT_TRUE(CheckKFFieldsFilled(bill, 2).Passed());
}

TEST_F(ShelfLifeCheck, EachStepGivesItsMessageAndCell) {
    Row(2, "  ", 30, "2024-01-31");
    Verdict v = CheckKFFieldsFilled(bill, 2);
    EXPECT_EQ(Said(v), "第2行商品未输入生产日期！ @FKFDate@2");
    EXPECT_EQ(v.Buttons(), 64);
    EXPECT_TRUE(bill.activeKey.empty()) << "the check moves no cursor itself";

    Row(2, "1900-01-01", 30, "2024-01-31");  // the missing-date mark
    EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 2)), "第2行商品未输入生产日期！ @FKFDate@2");

    // Shelf life -1 fails at its step whatever the expiry date.
    for (Value expiry : {Value("2023-12-31"), Value(""), Value("2024-01-01")}) {
        Row(1, "2024-01-01", -1, expiry);
        EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 1)),
                  "第1行商品的保质期必须大于等于0！ @FKFPeriod@1");
    }

    Row(1, "2024-01-01", 30, "");
    EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 1)), "第1行商品未输入有效期至！ @FPeriodDate@1");

    // The last check names no cell.
    for (Value expiry : {Value("2024-02-01"), Value("not a date")}) {
        Row(3, "2024-01-01", 30, expiry);
        EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 3)),
                  "第3行商品不符合生产日期加保质期等于有效期至！");
    }
}

TEST_F(ShelfLifeCheck, ChildRowsTwinRowsAndAssemblyMessages) {
    FillRow(bill, 3, "FDate1= FInteger=10 FDate2=2024-01-11");
    EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 3, FieldSet::Child())),
              "子件第3行商品未输入生产日期！ @FDate1@3");

    FillRow(bill, 2, "FKFDate01=2024-01-01 FKFPeriod01=10");
    EXPECT_EQ(Said(CheckKFFieldsFilled(bill, 2, FieldSet::Twin01())),
              "第2行商品未输入有效期至！ @FPeriodDate01@2");

    FillRow(bill, 1, "FProDate=2024-01-01 FKFPeriod=10 FExpDate=2024-01-12");
    const FieldSet& main = FieldSet::Main();
    EXPECT_EQ(CheckKFFieldsFilled(bill, 1, main, true, false).Message(),
              "组装件商品不符合生产日期加保质期等于有效期至！");
    bill.Set("FKFPeriod", -5, 1);
    EXPECT_EQ(CheckKFFieldsFilled(bill, 1, main, true, false).Message(),
              "组装件商品的保质期必须大于等于0！");
    EXPECT_EQ(CheckKFFieldsFilled(bill, 1, main, true, true).Message(),
              "第1行商品的保质期必须大于等于0！");
    bill.Set("FKFPeriod", 11, 1);
    EXPECT_TRUE(CheckKFFieldsFilled(bill, 1, main, true, false).Passed());
}

}  // namespace
}  // namespace qor::test
