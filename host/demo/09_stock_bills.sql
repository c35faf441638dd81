-- Demo account: stock bills. Purchase bills WIN000001-3 (checked, the batches and serial
-- numbers in stock come from them); sales bills XOUT000001 (杭州联华, checked, from sales
-- order SEORD000001, partly invoiced, 300 offset against an advance receipt), XOUT000002
-- (上海百联, saved, serial and batch items), XOUT000003 (杭州联华, saved return of XOUT000001),
-- XOUT000004 (北京京客隆, checked consignment settlement of WTDX000001) and XOUT000005
-- (北京京客隆, saved, drawn from purchase bill WIN000002); consignment bills WTDX000001
-- (北京京客隆, checked delivery from SEORD000002, open to return and settle) and WTDX000002
-- (saved consignment return); the opening consignment bill QCWT000001 and the opening
-- provisional purchase bill QCZG000001 (FIsInit 1, dated before the start period); one
-- exchange bill and one assembly bill. Open quantities are in the row's shown unit.
-- Bills whose refusals the bills show: XOUT000006 (上海百联, saved, rejected), XOUT000007
-- (北京京客隆, saved consignment settlement return of XOUT000004), XOUT000008 (杭州联华,
-- checked, paid and fully invoiced) and the rejected exchange bill XSHH000002.

INSERT INTO t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FSupplyID, FEmpID, FDeptID, FStatus, FBillerID, FCheckerID, FCheckDate, FInvoiceType, FExplanation, FAllAmount, FCustID, FCheckAmount, FCurCheckAmount, FNeutralizeAmount, FSettleLimitDate, FInvoiceAmt, FInvoiceNO, FContact, FReceiveAddr, FPhone, FLogisticNumber, FID_SRC, FClassID_SRC, FUnCheckAmount, FNoInvoiceAmt, FAddress, FCurPayAmount, FIsInit) VALUES
(1, 1020002, 2012, 'WIN000001', '2026-11-10', 801, 304, 203, 1, 16396, 16394, '2026-11-10', 2020, '农夫山泉及蒙牛到货', 2798.78, 0, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 0, 0, 0, 0, NULL, 0, 0),
(2, 1020002, 2012, 'WIN000002', '2026-11-25', 802, 304, 203, 1, 16396, 16394, '2026-11-25', 2020, '美的、格力家电到货', 17085.6, 0, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 0, 0, 0, 0, NULL, 0, 0),
(3, 1020002, 2012, 'WIN000003', '2026-12-02', 804, 304, 203, 1, 16396, 16394, '2026-12-02', 2020, NULL, 2365.54, 0, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 0, 0, 0, 0, NULL, 0, 0),
(4, 1030002, 3001, 'XOUT000001', '2026-11-25', 0, 301, 201, 1, 16395, 16394, '2026-11-25', 2020, '由销售订单SEORD000001生成', 310.98, 101, 300, 300, 300, '2026-12-25', 90.4, '00012345', '赵敏', '杭州市余杭区良渚物流园联华配送中心', '0571-87012346', 'WL2026112500001', 1, 1030001, 10.98, 220.58, NULL, 0, 0),
(5, 1030002, 3001, 'XOUT000002', '2026-12-03', 0, 302, 201, 0, 16395, 0, NULL, 2020, NULL, 6888.48, 102, 0, 0, 0, '2026-12-25', 0, NULL, '陈丽', '上海市静安区共和新路1999号', '021-56781235', NULL, 0, 0, 6888.48, 6888.48, NULL, 0, 0),
(6, 1030002, 3002, 'XOUT000003', '2026-12-04', 0, 301, 201, 0, 16395, 0, NULL, 2020, '包装破损退货', 45.2, 101, 0, 0, 0, '2027-01-03', 0, NULL, '赵敏', NULL, NULL, NULL, 4, 1030002, 45.2, 45.2, NULL, 0, 0),
(7, 1030003, 3010, 'WTDX000001', '2026-11-28', 0, 303, 202, 1, 16395, 16394, '2026-11-28', 2020, '由销售订单SEORD000002生成', 4264.62, 104, 0, 0, 0, NULL, 0, NULL, '周杰', NULL, NULL, NULL, 2, 1030001, 0, 0, '北京市朝阳区酒仙桥路6号京客隆配送中心', 0, 0),
(8, 1030002, 3003, 'XOUT000004', '2026-12-02', 0, 303, 202, 1, 16395, 16394, '2026-12-02', 2020, NULL, 788.74, 104, 0, 0, 0, '2027-02-10', 0, NULL, '周杰', NULL, NULL, NULL, 7, 1030003, 788.74, 788.74, NULL, 0, 0),
(9, 1030003, 3011, 'WTDX000002', '2026-12-05', 0, 303, 202, 0, 16395, 0, NULL, 2020, '礼盒外包装破损退回', 379.68, 104, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 7, 1030003, 0, 0, '北京市朝阳区酒仙桥路6号京客隆配送中心', 0, 0),
(10, 1030003, 3010, 'QCWT000001', '2025-12-20', 0, 302, 201, 1, 16394, 16394, '2025-12-31', 2020, '期初委托代销', 18299.22, 102, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 0, 0, 0, 0, NULL, 0, 1),
(11, 1020002, 2030, 'QCZG000001', '2025-12-28', 803, 304, 203, 0, 16394, 0, NULL, 2020, '期初暂估入库', 11413.0, 0, 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, 0, 0, 0, 0, NULL, 0, 1),
(12, 1030002, 3001, 'XOUT000005', '2026-12-05', 0, 303, 202, 0, 16395, 0, NULL, 2020, NULL, 394.37, 104, 0, 0, 0, '2027-02-10', 0, NULL, '周杰', NULL, NULL, NULL, 2, 1020002, 394.37, 394.37, NULL, 0, 0);

INSERT INTO t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FSecUnitID, FSecCoefficient, FQty, FShowQty, FSecQty, FBasePrice, FPrice, FSecPrice, FIncludeTaxPrice, FBasePriceDiscount, FPriceDiscount, FSecPriceDiscount, FBaseTaxPrice, FTaxPrice, FSecTaxPrice, FDiscountRate, FDiscountAmount, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FNoDiscAmount, FDisplayQty, FCalTypeID, FDisplayWeight, FDisplayPrice, FDCStockID, FBarcode, FUnRejectQty, FOrderQty, FID_SRC, FEntryID_SRC, FClassID_SRC, FBillNo_SRC, FBatchNo, FKFDate, FKFPeriod, FPeriodDate, FSerialNo, FCostPrice, FCostAmount, FSCStockID, FBaseOrderQty, FSettleQty, FUnSettleQty, FUnRejectAuxQty, FUnSettleAuxQty) VALUES
(1, 1, 1, 1001, 3011, 3012, 24, 0, 0, 1200, 50, 0, 1.2, 28.8, 0, 32.544, 1.2, 28.8, 0, 1.356, 32.544, 0, 100, 0, 13, 1440, 187.2, 1627.2, 1440, 50, 0, 0, 28.8, 501, '16921168509253', 50, 100, 1, 1, 1020001, 'POORD000001', NULL, NULL, 0, NULL, NULL, 0, 0, 0, 0, 0, 0, 0, 0),
(2, 1, 2, 1005, 3031, 3031, 1, 0, 0, 288, 288, 0, 3.6, 3.6, 0, 4.068, 3.6, 3.6, 0, 4.068, 4.068, 0, 100, 0, 13, 1036.8, 134.78, 1171.58, 1036.8, 288, 0, 0, 3.6, 503, '6923644200011', 288, 0, 0, 0, 0, NULL, 'B20261120', '2026-11-20', 21, '2026-12-11', NULL, 0, 0, 0, 0, 0, 0, 0, 0),
(3, 2, 1, 1009, 3081, 3081, 1, 0, 0, 12, 12, 0, 260, 260, 0, 293.8, 260, 260, 0, 293.8, 293.8, 0, 100, 0, 13, 3120, 405.6, 3525.6, 3120, 12, 0, 0, 260, 501, '6953177800013', 12, 20, 2, 2, 1020001, 'POORD000002', NULL, NULL, 0, NULL, 'MD2026110001,MD2026110002,MD2026110003,MD2026110004,MD2026110005,MD2026110006,MD2026110007,MD2026110008,MD2026110009,MD2026110010,MD2026110011,MD2026110012', 0, 0, 0, 0, 0, 0, 0, 0),
(4, 2, 2, 1010, 3081, 3081, 1, 0, 0, 5, 5, 0, 2400, 2400, 0, 2712, 2400, 2400, 0, 2712, 2712, 0, 100, 0, 13, 12000, 1560, 13560, 12000, 5, 0, 0, 2400, 501, '6921234560018', 5, 0, 0, 0, 0, NULL, NULL, NULL, 0, NULL, 'GL35GW260001,GL35GW260002,GL35GW260003,GL35GW260004,GL35GW260005', 0, 0, 0, 0, 0, 0, 0, 0),
(5, 3, 1, 1006, 3051, 3051, 1, 0, 0, 150, 150, 0, 10.5, 10.5, 0, 11.865, 10.5, 10.5, 0, 11.865, 11.865, 0, 100, 0, 13, 1575, 204.75, 1779.75, 1575, 150, 0, 0, 10.5, 503, '6901209200018', 150, 0, 0, 0, 0, NULL, 'GM20261201', '2026-12-01', 7, '2026-12-08', NULL, 0, 0, 0, 0, 0, 0, 0, 0),
(6, 3, 2, 1005, 3031, 3031, 1, 0, 0, 144, 144, 0, 3.6, 3.6, 0, 4.068, 3.6, 3.6, 0, 4.068, 4.068, 0, 100, 0, 13, 518.4, 67.39, 585.79, 518.4, 144, 0, 0, 3.6, 503, '6923644200011', 144, 0, 0, 0, 0, NULL, 'B20261128', '2026-11-28', 21, '2026-12-19', NULL, 0, 0, 0, 0, 0, 0, 0, 0),
(7, 4, 1, 1001, 3011, 3012, 24, 0, 0, 96, 4, 0, 1.666667, 40, 0, 45.2, 1.666667, 40, 0, 1.883333, 45.2, 0, 100, 0, 13, 160, 20.8, 180.8, 160, 4, 0, 0, 40, 0, '16921168509253', 4, 20, 1, 1, 1030001, 'SEORD000001', NULL, NULL, 0, NULL, NULL, 28.8, 115.2, 501, 480, 0, 0, 0, 0),
(8, 4, 2, 1005, 3031, 3031, 1, 0, 0, 24, 24, 0, 4.8, 4.8, 0, 5.424, 4.8, 4.8, 0, 5.424, 5.424, 0, 100, 0, 13, 115.2, 14.98, 130.18, 115.2, 24, 0, 0, 4.8, 0, '6923644200011', 24, 0, 0, 0, 0, NULL, 'B20261120', '2026-11-20', 21, '2026-12-11', NULL, 3.6, 86.4, 503, 0, 0, 0, 0, 0),
(9, 5, 1, 1009, 3081, 3081, 1, 0, 0, 2, 2, 0, 349, 349, 0, 394.37, 349, 349, 0, 394.37, 394.37, 0, 100, 0, 13, 698, 90.74, 788.74, 698, 2, 0, 0, 349, 0, '6953177800013', 2, 0, 0, 0, 0, NULL, NULL, NULL, 0, NULL, 'MD2026110001,MD2026110002', 0, 0, 501, 0, 0, 0, 0, 0),
(10, 5, 2, 1022, 3191, 3191, 1, 0, 0, 2, 2, 0, 2699, 2699, 0, 3049.87, 2699, 2699, 0, 3049.87, 3049.87, 0, 100, 0, 13, 5398, 701.74, 6099.74, 5398, 2, 0, 0, 2699, 0, '6902952880294', 2, 0, 0, 0, 0, NULL, 'MT2026-0303', NULL, 0, NULL, NULL, 0, 0, 501, 0, 0, 0, 0, 0),
(11, 6, 1, 1001, 3011, 3012, 24, 0, 0, 24, 1, 0, 1.666667, 40, 0, 45.2, 1.666667, 40, 0, 1.883333, 45.2, 0, 100, 0, 13, 40, 5.2, 45.2, 40, 1, 0, 0, 40, 0, '16921168509253', 1, 0, 4, 7, 1030002, 'XOUT000001', NULL, NULL, 0, NULL, NULL, 28.8, 28.8, 501, 0, 0, 0, 0, 0),
(12, 7, 1, 1009, 3081, 3081, 1, 0, 0, 6, 6, 0, 349, 349, 0, 394.37, 349, 349, 0, 394.37, 394.37, 0, 100, 0, 13, 2094, 272.22, 2366.22, 2094, 6, 0, 0, 349, 0, '6953177800013', 6, 20, 2, 4, 1030001, 'SEORD000002', NULL, NULL, 0, NULL, 'MD2026110003,MD2026110004,MD2026110005,MD2026110006,MD2026110007,MD2026110008', 0, 0, 501, 20, 2, 4, 0, 0),
(13, 7, 2, 1007, 3061, 3061, 1, 3062, 6, 10, 10, 1.6667, 168, 168, 1008, 189.84, 168, 168, 1008, 189.84, 189.84, 1139.04, 100, 0, 13, 1680, 218.4, 1898.4, 1680, 10, 0, 1.6667, 168, 0, '6971234500017', 10, 30, 2, 5, 1030001, 'SEORD000002', 'SZ20260915', '2026-09-15', 180, '2027-03-14', NULL, 0, 0, 501, 30, 0, 10, 1.6667, 1.6667),
(14, 8, 1, 1009, 3081, 3081, 1, 0, 0, 2, 2, 0, 349, 349, 0, 394.37, 349, 349, 0, 394.37, 394.37, 0, 100, 0, 13, 698, 90.74, 788.74, 698, 2, 0, 0, 349, 0, '6953177800013', 2, 0, 7, 12, 1030003, 'WTDX000001', NULL, NULL, 0, NULL, 'MD2026110003,MD2026110004', 0, 0, 501, 0, 0, 0, 0, 0),
(15, 9, 1, 1007, 3061, 3061, 1, 3062, 6, 2, 2, 0.3333, 168, 168, 1008, 189.84, 168, 168, 1008, 189.84, 189.84, 1139.04, 100, 0, 13, 336, 43.68, 379.68, 336, 2, 0, 0.3333, 168, 0, '6971234500017', 2, 0, 7, 13, 1030003, 'WTDX000001', 'SZ20260915', '2026-09-15', 180, '2027-03-14', NULL, 0, 0, 501, 0, 0, 2, 0.3333, 0.3333),
(16, 10, 1, 1022, 3191, 3191, 1, 0, 0, 6, 6, 0, 2699, 2699, 0, 3049.87, 2699, 2699, 0, 3049.87, 3049.87, 0, 100, 0, 13, 16194, 2105.22, 18299.22, 16194, 6, 0, 0, 2699, 0, '6902952880294', 6, 0, 0, 0, 0, NULL, 'MT2025-0618', NULL, 0, NULL, NULL, 2300, 13800, 501, 0, 0, 6, 0, 0),
(17, 11, 1, 1014, 3121, 3121, 1, 3123, 1000, 2000, 2000, 2, 5.05, 5.05, 5050, 5.7065, 5.05, 5.05, 5050, 5.7065, 5.7065, 5706.5, 100, 0, 13, 10100, 1313, 11413, 10100, 2000, 1, 2000, 5.05, 505, '2001014000010', 0, 0, 0, 0, 0, NULL, NULL, NULL, 0, NULL, NULL, 0, 0, 0, 0, 0, 2000, 0, 2),
(18, 12, 1, 1009, 3081, 3081, 1, 0, 0, 1, 1, 0, 349, 349, 0, 394.37, 349, 349, 0, 394.37, 394.37, 0, 100, 0, 13, 349, 45.37, 394.37, 349, 1, 0, 0, 349, 0, '6953177800013', 1, 0, 2, 3, 1020002, 'WIN000002', NULL, NULL, 0, NULL, 'MD2026110009', 0, 0, 501, 0, 0, 0, 0, 0);

INSERT INTO t_cc_Change (FID, FBillNo, FDate, FCustID, FEmpID, FDeptID, FStatus, FBillerID, FInvoiceType, FAllAmount, FReceiveAddr, FContact, FExplanation) VALUES
(1, 'XSHH000001', '2026-12-04', 105, 303, 202, 0, 16395, 2021, 0, '天津市南开区黄河道467号', '吴倩', 'T恤尺码不合适换货');

INSERT INTO t_cc_ChangeEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FSecUnitID, FSecCoefficient, FQty, FShowQty, FSecQty, FBasePrice, FPrice, FSecPrice, FIncludeTaxPrice, FBasePriceDiscount, FPriceDiscount, FSecPriceDiscount, FBaseTaxPrice, FTaxPrice, FSecTaxPrice, FDiscountRate, FDiscountAmount, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FNoDiscAmount, FDisplayQty, FCalTypeID, FDisplayWeight, FDisplayPrice, FAuxPropID, FSCStockID, FBarcode, FUnRejectQty, FItemID01, FUnitID01, FShowUnitID01, FCoefficient01, FSecUnitID01, FSecCoefficient01, FQty01, FShowQty01, FSecQty01, FBasePrice01, FPrice01, FSecPrice01, FIncludeTaxPrice01, FBasePriceDiscount01, FPriceDiscount01, FSecPriceDiscount01, FBaseTaxPrice01, FTaxPrice01, FSecTaxPrice01, FDiscountRate01, FDiscountAmount01, FTaxRate01, FAmount01, FTaxAmount01, FInTaxAmount01, FNoDiscAmount01, FDisplayQty01, FCalTypeID01, FDisplayWeight01, FDisplayPrice01, FAuxPropID01, FSCStockID01, FBarcode01) VALUES
(1, 1, 1, 1012, 3091, 3091, 1, 0, 0, 1, 1, 0, 109, 109, 0, 123.17, 109, 109, 0, 123.17, 123.17, 0, 100, 0, 13, 109, 14.17, 123.17, 109, 1, 0, 0, 109, 2001, 502, '6934567800011', 1, 1012, 3091, 3091, 1, 0, 0, 1, 1, 0, 109, 109, 0, 123.17, 109, 109, 0, 123.17, 123.17, 0, 100, 0, 13, 109, 14.17, 123.17, 109, 1, 0, 0, 109, 2002, 502, '6934567800011');

INSERT INTO t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FEmpID, FDeptID, FStatus, FBillerID, FCheckerID, FCheckDate, FInvoiceType, FExplanation, FAllAmount, FCustID, FCheckAmount, FCurCheckAmount, FCurPayAmount, FSettleLimitDate, FInvoiceAmt, FNoInvoiceAmt, FInvoiceNO, FContact, FID_SRC, FClassID_SRC, FBillNo_SRC, FUnCheckAmount, FRejected, FRejectedNote, FRejectedTime, FIsInit) VALUES
(13, 1030002, 3001, 'XOUT000006', '2026-12-06', 302, 201, 0, 16395, 0, NULL, 2020, NULL, 40.68, 102, 0, 0, 0, '2026-12-25', 0, 40.68, NULL, '陈丽', 0, 0, NULL, 40.68, 1, '单价低于公司最低售价，请重新核价', '2026-12-06 16:40:12', 0),
(14, 1030002, 3004, 'XOUT000007', '2026-12-07', 303, 202, 0, 16395, 0, NULL, 2020, '委托结算后退回', 394.37, 104, 0, 0, 0, '2027-02-10', 0, 394.37, NULL, '周杰', 8, 1030002, 'XOUT000004', 394.37, 0, NULL, NULL, 0),
(15, 1030002, 3001, 'XOUT000008', '2026-12-01', 301, 201, 1, 16395, 16394, '2026-12-01', 2020, '联华酸奶补货，已开票', 271.2, 101, 271.2, 271.2, 271.2, '2026-12-31', 271.2, 0, '00012346', '赵敏', 0, 0, NULL, 0, 0, NULL, NULL, 0);

INSERT INTO t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FQty, FShowQty, FBasePrice, FPrice, FIncludeTaxPrice, FBasePriceDiscount, FPriceDiscount, FBaseTaxPrice, FTaxPrice, FDiscountRate, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FNoDiscAmount, FDisplayQty, FDisplayPrice, FBarcode, FUnRejectQty, FID_SRC, FEntryID_SRC, FClassID_SRC, FBillNo_SRC, FBatchNo, FKFDate, FKFPeriod, FPeriodDate, FSCStockID) VALUES
(19, 13, 1, 1001, 3011, 3011, 1, 24, 24, 1.5, 1.5, 1.695, 1.5, 1.5, 1.695, 1.695, 100, 13, 36, 4.68, 40.68, 36, 24, 1.5, '6921168509256', 24, 0, 0, 0, NULL, NULL, NULL, 0, NULL, 501),
(20, 14, 1, 1009, 3081, 3081, 1, 1, 1, 349, 349, 394.37, 349, 349, 394.37, 394.37, 100, 13, 349, 45.37, 394.37, 349, 1, 349, '6953177800013', 0, 8, 14, 1030002, 'XOUT000004', NULL, NULL, 0, NULL, 501),
(21, 15, 1, 1005, 3031, 3031, 1, 60, 60, 4, 4, 4.52, 4, 4, 4.52, 4.52, 100, 13, 240, 31.2, 271.2, 240, 60, 4, '6923644200011', 60, 0, 0, 0, NULL, 'B20261120', '2026-11-20', 21, '2026-12-11', 503);

INSERT INTO t_cc_Change (FID, FBillNo, FDate, FCustID, FEmpID, FDeptID, FStatus, FBillerID, FInvoiceType, FAllAmount, FReceiveAddr, FContact, FExplanation, FRejected, FRejectedNote, FRejectedTime) VALUES
(2, 'XSHH000002', '2026-12-06', 105, 303, 202, 0, 16395, 2021, 0, '天津市南开区黄河道467号', '吴倩', '换货尺码登记有误', 1, '换出商品的辅助属性与客户要求不符', '2026-12-06 11:05:40');

INSERT INTO t_cc_ChangeEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FQty, FShowQty, FPrice, FTaxPrice, FDiscountRate, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FAuxPropID, FSCStockID, FBarcode, FItemID01, FUnitID01, FShowUnitID01, FCoefficient01, FQty01, FShowQty01, FPrice01, FTaxPrice01, FDiscountRate01, FTaxRate01, FAmount01, FTaxAmount01, FInTaxAmount01, FAuxPropID01, FSCStockID01, FBarcode01) VALUES
(2, 2, 1, 1012, 3091, 3091, 1, 1, 1, 109, 123.17, 100, 13, 109, 14.17, 123.17, 2002, 502, '6934567800011', 1012, 3091, 3091, 1, 1, 1, 109, 123.17, 100, 13, 109, 14.17, 123.17, 2001, 502, '6934567800011');

INSERT INTO T_CC_ZZCX (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FEmpID, FDeptID, FStatus, FCheckerID, FAllAmount, FExplanation) VALUES
(1, 1040005, 0, 'ZZ000001', '2026-11-30', 306, 204, 1, 16394, 2400, '坚果礼盒组装(配环保袋)');

INSERT INTO t_CC_ZZCX_ENTRY (FEntryID, FID, FIndex, FItemID, FBatchNo, FUnitID, FShowUnitID, FCoefficient, FQty, FShowQty, FPrice, FAmount, FDCStockID, FProDate, FKFPeriod, FExpDate) VALUES
(1, 1, 1, 1007, 'SZ20261130', 5, 5, 1, 20, 20, 120, 2400, 501, '2026-11-30', 180, '2027-05-29');

INSERT INTO t_CC_ZZCX_ENTRY2 (FEntryID, FID, FIndex, FParentEntryID, FItemID, FUnitID, FShowUnitID, FCoefficient, FQty, FShowQty, FPrice, FAmount, FSCStockID) VALUES
(1, 1, 1, 1, 1024, 1, 1, 1, 20, 20, 0.3, 6, 504);
