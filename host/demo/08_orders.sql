-- Demo account: sales orders and purchase orders. Sales orders: SEORD000001 (杭州联华,
-- checked, partly delivered), SEORD000002 (北京京客隆, checked, partly consigned, source of a
-- purchase order), SEORD000003 (上海百联, saved and rejected), SEORD000004 (宁波万家福, closed,
-- fully delivered, no VAT), SEORD000005 (天津家乐购, checked web order), SEORD000006 (杭州联华,
-- saved, calculation-type items, with a deposit). Purchase orders: two checked with quantities
-- still to receive, one saved. Open quantities are in the row's shown unit.

INSERT INTO t_XS_Order (FID, FBillTypeID, FBillNo, FDate, FFetchDate, FCustID, FEmpID, FDeptID, FStatus, FBillerID, FCheckerID, FCheckDate, FInvoiceType, FContact, FReceiveAddr, FPhone, FExplanation, FAllAmount, FRejected, FRejectedNote, FRejectedTime, FMobilePhone, FWebTradeID, FWebshopID, FReceiverCity, FWebBillAmount, FWebBillDiscountAmount, FWebBillTransAmount, FWebBillReceAmount, FXSDeposit) VALUES
(1, 3031, 'SEORD000001', '2026-11-20', '2026-11-30', 101, 301, 201, 1, 16395, 16394, '2026-11-20', 2020, '赵敏', '杭州市余杭区良渚物流园联华配送中心', '0571-87012346', '联华11月饮料补货', 1785.4, 0, NULL, NULL, NULL, NULL, 0, NULL, 0, 0, 0, 0, 0),
(2, 3031, 'SEORD000002', '2026-11-15', '2026-12-15', 104, 303, 202, 1, 16395, 16394, '2026-11-16', 2020, '周杰', '北京市朝阳区酒仙桥路6号京客隆配送中心', '010-64671235', '京客隆年货备货(委托代销)', 13582.6, 0, NULL, NULL, NULL, NULL, 0, NULL, 0, 0, 0, 0, 0),
(3, 3031, 'SEORD000003', '2026-12-02', '2026-12-08', 102, 302, 201, 0, 16395, 0, NULL, 2020, '陈丽', '上海市静安区共和新路1999号', '021-56781235', NULL, 216.96, 1, '价格低于公司最低售价，请重新核价', '2026-12-03 09:15:20', NULL, NULL, 0, NULL, 0, 0, 0, 0, 0),
(4, 3031, 'SEORD000004', '2026-10-10', '2026-10-12', 103, 303, 202, 2, 16395, 16394, '2026-10-10', 2022, NULL, NULL, NULL, '已全部发货', 280.0, 0, NULL, NULL, NULL, NULL, 0, NULL, 0, 0, 0, 0, 0),
(5, 3032, 'SEORD000005', '2026-12-01', '2026-12-03', 105, 303, 202, 1, 16395, 16394, '2026-12-01', 2021, '吴倩', '天津市南开区黄河道467号', '022-27361235', NULL, 246.34, 0, NULL, NULL, '13820220005', 'TB2026120188812345', 1, '天津市', 218.0, 0, 10, 228.0, 0),
(6, 3031, 'SEORD000006', '2026-12-05', '2026-12-20', 101, 301, 201, 0, 16395, 0, NULL, 2020, '赵敏', '杭州市余杭区良渚物流园联华配送中心', '0571-87012346', '钢板及生鲜订货', 7948.92, 0, NULL, NULL, NULL, NULL, 0, NULL, 0, 0, 0, 0, 5000);

INSERT INTO t_XS_OrderEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FSecUnitID, FSecCoefficient, FQty, FShowQty, FSecQty, FBasePrice, FPrice, FSecPrice, FIncludeTaxPrice, FBasePriceDiscount, FPriceDiscount, FSecPriceDiscount, FBaseTaxPrice, FTaxPrice, FSecTaxPrice, FDiscountRate, FDiscountAmount, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FNoDiscAmount, FDisplayQty, FCalTypeID, FDisplayWeight, FDisplayPrice, FSCStockID, FBarcode, FSendQty, FBaseSendQty, FUnSendQty, FUnSendAuxQty, FClientItemID, FUnLinkCGQty, FAuxPropID, FComplexQtyDis) VALUES
(1, 1, 1, 1001, 3011, 3012, 24, 0, 0, 480, 20, 0, 1.666667, 40, 0, 45.2, 1.666667, 40, 0, 1.883333, 45.2, 0, 100, 0, 13, 800, 104, 904, 800, 20, 0, 0, 40, 501, '16921168509253', 4, 96, 16, 0, NULL, 0, 0, NULL),
(2, 1, 2, 1003, 3031, 3032, 12, 3032, 1, 120, 10, 10, 2.916667, 35, 35, 39.55, 2.916667, 35, 35, 3.295833, 39.55, 39.55, 100, 0, 13, 350, 45.5, 395.5, 350, 10, 0, 10, 35, 501, '16907992100019', 0, 0, 10, 10, NULL, 0, 0, NULL),
(3, 1, 3, 1002, 3021, 3022, 24, 3022, 1, 120, 5, 5, 3.583333, 86, 86, 97.18, 3.583333, 86, 86, 4.049167, 97.18, 97.18, 100, 0, 13, 430, 55.9, 485.9, 430, 5, 0, 5, 86, 501, '16920152400019', 0, 0, 5, 5, 'LH-0012X', 0, 0, NULL),
(4, 2, 1, 1009, 3081, 3081, 1, 0, 0, 20, 20, 0, 349, 349, 0, 394.37, 349, 349, 0, 394.37, 394.37, 0, 100, 0, 13, 6980, 907.4, 7887.4, 6980, 20, 0, 0, 349, 501, '6953177800013', 6, 6, 14, 0, 'JKL-DFB40', 0, 0, NULL),
(5, 2, 2, 1007, 3061, 3061, 1, 3062, 6, 30, 30, 5, 168, 168, 1008, 189.84, 168, 168, 1008, 189.84, 189.84, 1139.04, 100, 0, 13, 5040, 655.2, 5695.2, 5040, 30, 0, 5, 168, 501, '6971234500017', 10, 10, 20, 3.3333, NULL, 0, 0, NULL),
(6, 3, 1, 1001, 3011, 3011, 1, 0, 0, 120, 120, 0, 1.6, 1.6, 0, 1.808, 1.6, 1.6, 0, 1.808, 1.808, 0, 100, 0, 13, 192, 24.96, 216.96, 192, 120, 0, 0, 1.6, 501, '6921168509256', 0, 0, 120, 0, 'BL-W550', 0, 0, NULL),
(7, 4, 1, 1017, 3151, 3151, 1, 0, 0, 10, 10, 0, 28, 28, 0, 28, 28, 28, 0, 28, 28, 0, 100, 0, 0, 280, 0, 280, 280, 10, 0, 0, 28, 501, '6921734900012', 10, 10, 0, 0, NULL, 0, 0, NULL),
(8, 5, 1, 1012, 3091, 3091, 1, 0, 0, 2, 2, 0, 109, 109, 0, 123.17, 109, 109, 0, 123.17, 123.17, 0, 100, 0, 13, 218, 28.34, 246.34, 218, 2, 0, 0, 109, 502, '6934567800011', 0, 0, 2, 0, NULL, 0, 2001, NULL),
(9, 6, 1, 1014, 3121, 3122, 24.5, 3123, 40.8163265306, 980, 40, 0.98, 5.8, 142.1, 5800, 160.573, 5.8, 142.1, 5800, 6.554, 160.573, 6554, 100, 0, 13, 5684, 738.92, 6422.92, 5684, 40, 1, 980, 5.8, 505, '2001014000027', 0, 0, 40, 0.98, NULL, 0, 0, '40张'),
(10, 6, 2, 1016, 3141, 3142, 10, 0, 0, 50, 5, 0, 28, 280, 0, 305.2, 28, 280, 0, 30.52, 305.2, 0, 100, 0, 9, 1400, 126, 1526, 1400, 5, 2, 50, 280, 503, '2001016000021', 0, 0, 5, 0, NULL, 0, 0, NULL);

INSERT INTO t_CG_Order (FID, FBillNo, FDate, FFetchDate, FSupplyID, FEmpID, FDeptID, FStatus, FBillerID, FCheckerID, FInvoiceType, FExplanation, FAllAmount) VALUES
(1, 'POORD000001', '2026-11-05', '2026-11-10', 801, 304, 203, 1, 16394, 16394, 2020, '饮用水年底备货', 3254.4),
(2, 'POORD000002', '2026-11-18', '2026-11-25', 802, 304, 203, 1, 16394, 16394, 2020, '按京客隆订单采购', 5876.0),
(3, 'POORD000003', '2026-12-01', '2026-12-10', 804, 304, 203, 0, 16394, 0, 2020, NULL, 976.32);

INSERT INTO t_CG_OrderEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, FCoefficient, FSecUnitID, FSecCoefficient, FQty, FShowQty, FSecQty, FBasePrice, FPrice, FSecPrice, FBaseTaxPrice, FTaxPrice, FSecTaxPrice, FDiscountRate, FTaxRate, FAmount, FTaxAmount, FInTaxAmount, FDCStockID, FStockInQty, FUnStockInQty, FDiscountPrice, FBaseDiscountPrice, FSecDiscountPrice, FID_SRC, FEntryID_SRC, FClassID_SRC, FBillNo_SRC) VALUES
(1, 1, 1, 1001, 3011, 3012, 24, 0, 0, 2400, 100, 0, 1.2, 28.8, 0, 1.356, 32.544, 0, 100, 13, 2880, 374.4, 3254.4, 501, 50, 50, 28.8, 1.2, 0, 0, 0, 0, NULL),
(2, 2, 1, 1009, 3081, 3081, 1, 0, 0, 20, 20, 0, 260, 260, 0, 293.8, 293.8, 0, 100, 13, 5200, 676, 5876, 501, 12, 8, 260, 260, 0, 2, 4, 1030001, 'SEORD000002'),
(3, 3, 1, 1003, 3031, 3032, 12, 3032, 1, 360, 30, 30, 2.4, 28.8, 28.8, 2.712, 32.544, 32.544, 100, 13, 864, 112.32, 976.32, 501, 0, 30, 28.8, 2.4, 28.8, 0, 0, 0, NULL);
