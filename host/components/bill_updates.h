// The bill services of the host's sibling libraries that check, close and invalidate bills
// and read the quantities later bills drew from them, on the account database.
#pragma once

#include "host/components/recording.h"

namespace qor::host {

// "QORM_CG_PlugIns.GJUpdate": GetGHDLinkQty / GetGHDLinkTaxAmount(props, billID [, entryID])
// -> base quantity / amount with tax of the sales bill rows drawn from that purchase bill;
// GetFieldSumValue(props, classTypeID, billID, field) and GetGHDFieldSumValue(props, billID,
// field) -> the total of an entry column over the bill's rows.
class GJUpdateComponent : public RecordingComponent {
public:
    explicit GJUpdateComponent(ServiceContextPtr context);
};

// "QORM_XS_PlugIns.TempConsignUpdate" / "TempGJUpdate": CheckBill(message&, checking, billID,
// props) checks an opening bill whose open quantities equal its quantities, or unchecks one
// nothing was settled (or returned) against -> True done, False with the reason;
// BatchOperate(operation "Check"/"UnCheck", selection, props, message&) -> bills done.
class OpeningBillUpdateComponent : public RecordingComponent {
public:
    // consignment: the opening consignment bill (also FUnRejectQty); else provisional purchase.
    OpeningBillUpdateComponent(ServiceContextPtr context, bool consignment);
};

// "QORM_XS_PlugIns.OrderUpdate": CloseBill(False, billID, props) closes a checked order
// (FStatus 2), CloseBill(billID, props) re-opens a closed one (FStatus 1) -> True done;
// CheckBill(billID | selection, classTypeID, flag, props, message&) -> 1 done, 2 refused;
// GetLinkQty / GetLinkTaxAmount(props, billID [, entryID]) -> base quantity / amount with tax
// of the stock bill rows drawn from the order; BatchOperate as above (also "Close",
// "UnClose").
class OrderUpdateComponent : public RecordingComponent {
public:
    explicit OrderUpdateComponent(ServiceContextPtr context);
};

// "QORM_XS_PlugIns.CXUpdate": CheckBill(billID | selection, classTypeID, flag, props,
// message&) checks special-price bills and puts their prices in force (t_LS_ItemPrice) -> 1,
// or 2 with the reason (checked bills cannot be unchecked); InvalidBill(billID, classTypeID,
// priceType, props, message&) takes a checked bill's prices out of force (FStatus 3) -> 1, or
// -1 with the reason; BatchOperate("Check", selection, props, message&).
class CXUpdateComponent : public RecordingComponent {
public:
    explicit CXUpdateComponent(ServiceContextPtr context);
};

// "QOR_CG_PlugIns.BillEvent_Order": updateXSOrderFUnLinkCGQty(billID) sets each sales order
// row's FUnLinkCGQty to its shown quantity less what purchase orders drew from it (not below
// 0) -> True.
class CGOrderEventComponent : public RecordingComponent {
public:
    explicit CGOrderEventComponent(ServiceContextPtr context);
};

}  // namespace qor::host
