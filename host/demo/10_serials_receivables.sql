-- Demo account: serial-number history of 美的电饭煲 and 格力空调 (received on WIN000002,
-- then issued on XOUT000002, the consignment WTDX000001, its settlement XOUT000004 and
-- XOUT000005, so serials 0001-0009 of WIN000002 are taken by later bills and 0010-0012 are
-- not); the VAT invoices made from XOUT000001 (partly) and XOUT000008 (wholly); an advance
-- receipt of 杭州联华 partly offset by XOUT000001; a receipt of 北京京客隆; the receivables
-- transfer of XOUT000004.

-- FStatus 1 = taken into stock by the bill, 0 = issued by it.
INSERT INTO t_SerialNumList (FID, FItemID, FSerialNo, FBillID, FBillIndexID, FClassTypeID,
    FStockID, FStatus, FNote) VALUES
(1, 1009, 'MD2026110001', 2, 1, 1020002, 501, 1, '购货入库'),
(2, 1009, 'MD2026110002', 2, 1, 1020002, 501, 1, '购货入库'),
(3, 1009, 'MD2026110003', 2, 1, 1020002, 501, 1, '购货入库'),
(4, 1009, 'MD2026110004', 2, 1, 1020002, 501, 1, '购货入库'),
(5, 1009, 'MD2026110005', 2, 1, 1020002, 501, 1, '购货入库'),
(6, 1009, 'MD2026110006', 2, 1, 1020002, 501, 1, '购货入库'),
(7, 1009, 'MD2026110007', 2, 1, 1020002, 501, 1, '购货入库'),
(8, 1009, 'MD2026110008', 2, 1, 1020002, 501, 1, '购货入库'),
(9, 1009, 'MD2026110009', 2, 1, 1020002, 501, 1, '购货入库'),
(10, 1009, 'MD2026110010', 2, 1, 1020002, 501, 1, '购货入库'),
(11, 1009, 'MD2026110011', 2, 1, 1020002, 501, 1, '购货入库'),
(12, 1009, 'MD2026110012', 2, 1, 1020002, 501, 1, '购货入库'),
(13, 1010, 'GL35GW260001', 2, 2, 1020002, 501, 1, '购货入库'),
(14, 1010, 'GL35GW260002', 2, 2, 1020002, 501, 1, '购货入库'),
(15, 1010, 'GL35GW260003', 2, 2, 1020002, 501, 1, '购货入库'),
(16, 1010, 'GL35GW260004', 2, 2, 1020002, 501, 1, '购货入库'),
(17, 1010, 'GL35GW260005', 2, 2, 1020002, 501, 1, '购货入库'),
(18, 1009, 'MD2026110001', 5, 1, 1030002, 501, 0, '销售出库'),
(19, 1009, 'MD2026110002', 5, 1, 1030002, 501, 0, '销售出库'),
(20, 1009, 'MD2026110003', 7, 1, 1030003, 501, 0, '委托代销出库'),
(21, 1009, 'MD2026110004', 7, 1, 1030003, 501, 0, '委托代销出库'),
(22, 1009, 'MD2026110005', 7, 1, 1030003, 501, 0, '委托代销出库'),
(23, 1009, 'MD2026110006', 7, 1, 1030003, 501, 0, '委托代销出库'),
(24, 1009, 'MD2026110007', 7, 1, 1030003, 501, 0, '委托代销出库'),
(25, 1009, 'MD2026110008', 7, 1, 1030003, 501, 0, '委托代销出库'),
(26, 1009, 'MD2026110003', 8, 1, 1030002, 501, 0, '委托结算'),
(27, 1009, 'MD2026110004', 8, 1, 1030002, 501, 0, '委托结算'),
(28, 1009, 'MD2026110009', 12, 1, 1030002, 501, 0, '销售出库');

-- The VAT invoice of two of the four boxes of row 1 of XOUT000001.
INSERT INTO t_Invoice (FID, FCode, FNumber, FDate, FType, FCustID, FAmount, FTaxAmount,
    FAmountIncludeTax, FRemark) VALUES
(1, '033002100111', '00012345', '2026-11-28', 3, 101, 80, 10.4, 90.4, '由销售订单SEORD000001生成');
INSERT INTO t_InvoiceEntry (FEntryID, FInvCode, FInvNumber, FItemID, FUnitID, FQuantity, FPrice,
    FPriceIncludeTax, FAmount, FTaxRate, FTaxAmount, FAmountIncludeTax, FID_SRC, FEntryID_SRC,
    FClassID_SRC, FBillNo_SRC) VALUES
(1, '033002100111', '00012345', 1001, 3012, 2, 40, 45.2, 80, 13, 10.4, 90.4, 4, 7, 1030002, 'XOUT000001');

-- The VAT invoice of the whole of XOUT000008.
INSERT INTO t_Invoice (FID, FCode, FNumber, FDate, FType, FCustID, FAmount, FTaxAmount,
    FAmountIncludeTax, FRemark) VALUES
(2, '033002100111', '00012346', '2026-12-02', 3, 101, 240, 31.2, 271.2, '联华酸奶补货，已开票');
INSERT INTO t_InvoiceEntry (FEntryID, FInvCode, FInvNumber, FItemID, FUnitID, FQuantity, FPrice,
    FPriceIncludeTax, FAmount, FTaxRate, FTaxAmount, FAmountIncludeTax, FID_SRC, FEntryID_SRC,
    FClassID_SRC, FBillNo_SRC) VALUES
(2, '033002100111', '00012346', 1005, 3031, 60, 4, 4.52, 240, 13, 31.2, 271.2, 15, 21, 1030002, 'XOUT000008');

-- Receipts: 1 = receipt, 2 = advance receipt.
INSERT INTO t_RP_RBill (FID, FBillNo, FBillTypeID, FDate, FCustID, FAmount, FCheckAmount, FStatus) VALUES
(1, 'SKD000001', 2, '2026-11-20', 101, 5000, 300, 1),
(2, 'SKD000002', 1, '2026-12-03', 104, 788.74, 0, 1);

-- XOUT000001 took 300 of the advance receipt SKD000001.
INSERT INTO ICCheckInfo (FID, FClassTypeID, FInterID, FRBillID, FCheckAmount, FDate) VALUES
(1, 1030002, 4, 1, 300, '2026-11-25');

-- XOUT000004 has been transferred to receivables.
INSERT INTO t_RP_CheckBill (FID, FBillNo, FBillTypeID, FDate, FCustID, FStatus, FAmount) VALUES
(1, 'YSZY000001', 5024, '2026-12-03', 104, 1, 788.74);
INSERT INTO t_RP_CheckBillEntry1 (FEntryID, FID, FSourceClassTypeID, FSourceInterID,
    FSourceBillNo, FAmount) VALUES
(1, 1, 1030002, 8, 'XOUT000004', 788.74);
