// The host's formula and lock-condition language.
#include <gtest/gtest.h>

#include <map>

#include "host/form/expression.h"

namespace qor::host::form {
namespace {

struct Fields {
    std::map<std::string, Value> values, item;
    EvalContext Ctx() {
        EvalContext c;
        c.field = [this](const std::string& k) {
            auto it = values.find(Upper(k));
            return it == values.end() ? Value() : it->second;
        };
        c.item = [this](const std::string& k) {
            auto it = item.find(Upper(k));
            return it == item.end() ? Value() : it->second;
        };
        return c;
    }
};

TEST(Formula, ArithmeticPrecedenceFieldsAndWhatCannotBeComputed) {
    Fields f;
    f.values = {{"FTAXPRICE", Value(113.0)},    {"FTAXRATE", Value(13)},
                {"FDISCOUNTRATE", Value("80")}, {"FSHOWQTY", Value("abc")},
                {"FPRICE", Value("12.5x")},     {"FZERO", Value(0)}};
    auto asg = ParseFormula("FPrice=FTaxPrice/(1+FTaxRate/100)*100/FDiscountRate");
    ASSERT_EQ(asg.size(), 1u);
    EXPECT_EQ(asg[0].target, "FPrice");
    EXPECT_DOUBLE_EQ(asg[0].expression.Evaluate(f.Ctx()), 125.0);
    // Several assignments; blank or text fields read as numbers.
    asg = ParseFormula(" FQty=FShowQty*2 ; FAmount=FPrice*2; ");
    ASSERT_EQ(asg.size(), 2u);
    EXPECT_DOUBLE_EQ(asg[0].expression.Evaluate(f.Ctx()), 0);
    EXPECT_DOUBLE_EQ(asg[1].expression.Evaluate(f.Ctx()), 25);
    for (auto [text, value] :
         std::vector<std::pair<const char*, double>>{{"2+3*4-6/2", 11},
                                                     {"-(2+3)*-2", 10},
                                                     {"Round(2.345,2)+Abs(-1)", 3.35},
                                                     {"IIf(FTaxRate>10,Max(1,2),Min(1,2))", 2},
                                                     {"FMissing+1", 1}})
        EXPECT_DOUBLE_EQ(Expression::Parse(text).Evaluate(f.Ctx()), value) << text;
    // Division by zero and overflow cannot be computed.
    EXPECT_THROW(Expression::Parse("10/FZero").Evaluate(f.Ctx()), EvaluationError);
    EXPECT_THROW(Expression::Parse("1e308*1e308").Evaluate(f.Ctx()), EvaluationError);
}

TEST(Formula, TextThatIsNoFormulaIsRefusedWithItsPlace) {
    for (const char* text :
         {"FPrice", "=FPrice", "FPrice=(1+2", "FPrice=1+", "FPrice=Sqrt(4)", "FPrice=1 $ 2", ";;"})
        EXPECT_THROW(ParseFormula(text), ExpressionError) << text;
    try {
        Expression::Parse("FA + * 2");
        FAIL();
    } catch (const ExpressionError& e) {
        EXPECT_NE(std::string(e.what()).find("at 6"), std::string::npos) << e.what();
    }
}

TEST(Condition, ComparisonsItemPropertiesAndLogic) {
    Fields f;
    f.item = {{"FTRACK", Value(80)}, {"FBATCHMANAGER", Value(0)}, {"FNAME", Value("Abc")}};
    EXPECT_FALSE(Expression::Parse("ME.FTrack<>80").IsTrue(f.Ctx()));
    EXPECT_TRUE(Expression::Parse("ME.FBatchManager=0").IsTrue(f.Ctx()));
    EXPECT_TRUE(Expression::Parse("ME.FTrack>=80 And Not ME.FBatchManager<>0").IsTrue(f.Ctx()));
    EXPECT_TRUE(Expression::Parse("ME.FTrack<10 Or ME.FTrack>70").IsTrue(f.Ctx()));
    EXPECT_TRUE(Expression::Parse("ME.FName='ABC'").IsTrue(f.Ctx()));
    EXPECT_TRUE(Expression::Parse("ME.FMissing=0").IsTrue(f.Ctx()));
    EXPECT_EQ(Expression::Parse("ME.FTrack+FQty*2").ItemProperties(),
              std::vector<std::string>{"FTRACK"});
    EXPECT_EQ(Expression::Parse("ME.FTrack+FQty*2").Fields(), std::vector<std::string>{"FQTY"});
}

TEST(Condition, LockConditionNamesWhatToLockEitherWay) {
    auto lc = ParseLockCondition("ME.FTrack<>80,FBatchNo=1,FBatchNo=0");
    EXPECT_EQ(lc.whenTrue.field, "FBatchNo");
    EXPECT_TRUE(lc.whenTrue.lock);
    EXPECT_EQ(lc.whenFalse.field, "FBatchNo");
    EXPECT_FALSE(lc.whenFalse.lock);
    auto half = ParseLockCondition("ME.FBatchManager=0,FBatchNo=1");
    EXPECT_TRUE(half.whenFalse.field.empty());
    for (const char* text : {"ME.FTrack<>80", "ME.FTrack<>80,FBatchNo=2,FBatchNo=0",
                             "ME.FTrack<>80,FBatchNo,FBatchNo=0", "a,b=1,c=0,d=1"})
        EXPECT_THROW(ParseLockCondition(text), ExpressionError) << text;
}

TEST(Condition, SuffixRenamesFieldKeysOnly) {
    EXPECT_EQ(SuffixFieldKeys("FAmount=FShowQty*FPrice;FTax=Round(FAmount*0.13,2)", "01"),
              "FAmount01=FShowQty01*FPrice01;FTax01=Round(FAmount01*0.13,2)");
    EXPECT_EQ(SuffixFieldKeys("ME.FTrack<>80 And 'FX'='FX',FBatchNo=1,FBatchNo=0", "01"),
              "ME.FTrack<>80 And 'FX'='FX',FBatchNo01=1,FBatchNo01=0");
    EXPECT_EQ(SuffixFieldKeys("FQty*1e3", "1"), "FQty1*1e3");
}

}  // namespace
}  // namespace qor::host::form
