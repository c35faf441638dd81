// The kinds of bill the plug-ins meet, by name: class types (the bill form's FID, a bill's
// "FClassTypeID"), the sales-side bill types ("FBillTypeID") and the pages of a bill form.
// Services and bills use these names instead of the bare numbers.
#pragma once

#include <cstdint>

namespace qor {

// Class type identifiers.
namespace ct {
inline constexpr int32_t kPurchaseOrder = 1020001;    // t_CG_Order
inline constexpr int32_t kPurchaseBill = 1020002;     // purchase receipt (t_CC_StockBill)
inline constexpr int32_t kPurchaseBill2 = 1020003;    // the purchase side's second stock bill
inline constexpr int32_t kPurchaseBill3 = 1020004;    // the purchase side's third stock bill
inline constexpr int32_t kSalesOrder = 1030001;       // t_XS_Order
inline constexpr int32_t kSalesBill = 1030002;        // deliveries, returns, settlements
inline constexpr int32_t kConsignBill = 1030003;      // consignment (and opening consignment)
inline constexpr int32_t kSalesStockBill = 1030004;   // the sales side's fourth stock bill
inline constexpr int32_t kSaleChange = 1030005;       // the exchange bill (t_cc_Change)
inline constexpr int32_t kSpecialPrice = 1030006;     // special prices for chosen customers
inline constexpr int32_t kStockInBill = 1040001;      // a stock bill that brings goods in
inline constexpr int32_t kStockOutBill = 1040002;     // a stock bill that takes goods out
inline constexpr int32_t kTransferIn = 1040003;       // bills whose rows carry two stocks
inline constexpr int32_t kTransferOut = 1040004;      //   (the in and the out side)
inline constexpr int32_t kAssemblyIn = 1040005;       // assembly bills (T_CC_ZZCX)
inline constexpr int32_t kAssemblyOut = 1040006;      //   with child rows
inline constexpr int32_t kInOutPriceBill = 1040007;   // rows with in and out prices
inline constexpr int32_t kStockCount = 1040008;       // stock counts
inline constexpr int32_t kIndustryInBill = 1080001;   // the industry edition's own in
inline constexpr int32_t kIndustryOutBill = 1080002;  //   and out bills
}  // namespace ct

// Bill types of the sales-side bills.
namespace bt {
inline constexpr int32_t kDelivery = 3001;             // sales bill: delivery
inline constexpr int32_t kReturn = 3002;               // sales bill: return
inline constexpr int32_t kConsignSettle = 3003;        // sales bill: consignment settlement
inline constexpr int32_t kConsignSettleReturn = 3004;  // sales bill: settlement return
inline constexpr int32_t kConsign = 3010;              // consignment bill: delivery
inline constexpr int32_t kConsignReturn = 3011;        // consignment bill: return
inline constexpr int32_t kOrder = 3031;                // sales order: ordinary
inline constexpr int32_t kWebOrder = 3032;             // sales order: from the web shop
}  // namespace bt

// The pages of a bill form, one numbering for fields, data and definitions: the header is
// page 1; the entry grids follow, page 2 the first grid and page 3 a second one.
enum Page : int { kHeaderPage = 1, kEntryPage = 2, kSecondEntryPage = 3 };

// The header row: fields of page 1 are addressed with row -1.
inline constexpr int kHeaderRow = -1;

}  // namespace qor
