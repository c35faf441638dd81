#include "bills/opening/opening_bill.h"

#include "bills/common/order_rows.h"
#include "bills/opening/opening_rules.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/price_lookup.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

void OpeningBillBase::AddCheckStages(RuleBook& b, const opening::OpeningKind& kind) {
    auto form = [&kind](bool checking) {
        return [&kind, checking](CheckRun& run) {
            Verdict v = opening::CheckThroughComponent(*run.bill, kind, checking);
            if (v.Passed()) {
                run.bill->SetFieldValue("FStatus", checking ? 1 : 0);
                run.bill->SetFieldValue("FCheckerID",
                                        checking ? GetSessionProperty("UserID") : Value(0));
                run.Owner<OpeningBillBase>().RefreshOpeningMenus();
            }
            return v;
        };
    };
    auto list = [&kind](bool checking) {
        return [&kind, checking](CheckRun& run) {
            return opening::CheckSelectionThroughComponent(*run.list, kind, checking);
        };
    };
    b.Check(Stage::Check, "the opening-bill component checks the bill", form(true))
        .Check(Stage::Uncheck, "the opening-bill component unchecks the bill", form(false))
        .Check(Stage::ListCheck, "the opening-bill component checks the selection", list(true))
        .Check(Stage::ListUncheck, "the opening-bill component unchecks the selection",
               list(false));
}

void OpeningBillBase::m_BillInterface_AfterNewBill() {
    IBillForm& bill = *m_BillInterface();
    opening::DateBeforeStartPeriod(bill);
    RefreshOpeningMenus();
    ClearPageModifyFlags(bill);
}

void OpeningBillBase::m_BillInterface_AfterLoadBill() {
    IBillForm& bill = *m_BillInterface();
    RefreshOpeningMenus();
    if (IsIndustryMode()) RecalcBillEntries(bill);
    ClearPageModifyFlags(bill);
}

void OpeningBillBase::m_BillInterface_AfterCopyBill() {
    RefreshOpeningMenus();
    ClearPageModifyFlags(*m_BillInterface());
}

void OpeningBillBase::m_BillInterface_AfterDeleteRow(int, int) {
    SyncTransportCostTotal(*m_BillInterface());
}

void OpeningBillBase::m_BillInterface_AfterFillRow(const Value& rowValue, const Value&,
                                                   const Value&, const Value&) {
    IBillForm& bill = *m_BillInterface();
    const int row = static_cast<int>(rowValue.ToNumber());
    if (row < 1) return;
    LockRowsBySource(bill, row, "FItemID", "FBatchNo", false, true);
    AfterRowFilled(bill, row);
    bill.SetFieldValue("FBarcode",
                       GetBarcodeByUnit(bill.GetFieldValue("FItemID", row),
                                        bill.GetFieldValue("FShowUnitID", row)),
                       row);
    if (IsIndustryMode()) RecalcBillEntries(bill);
}

void OpeningBillBase::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    if (!menuBar) return;
    for (const char* key : {"mnuEditCheck", "mnuEditUnCheck", "mnuEditCopy"})
        if (auto tool = menuBar->Tool(key)) tool->SetVisible(true);
}

}  // namespace qor
