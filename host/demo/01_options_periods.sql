-- Demo account: system options with the defaults the plug-ins expect, accounting periods
-- 2025 to 2027 (start period 2026/1, current period 2026/12), users, denied rights, per-user
-- options, bill types and the form field information the special-price bill reads.

-- System options (category, key, value). GL Closed 1 with InitClosed 0 makes the first day of
-- the start period (2026-01-01) the earliest bill date.
INSERT INTO t_SystemProfile (FCategory, FKey, FValue, FDescription) VALUES
('IC', 'StartYear', '2026', '启用年度'),
('IC', 'StartPeriod', '1', '启用期间'),
('IC', 'CurrentYear', '2026', '当前年度'),
('IC', 'CurrentPeriod', '12', '当前期间'),
('IC', 'AllowDiscountRateOver100', '0', '允许折扣率大于100'),
('IC', 'AllowWriteQty', '0', '选择批号时允许修改数量'),
('IC', 'AllowZeroPriceSave', '0', '允许零单价保存'),
('IC', 'CKSerialNum', '0', '保存时检查序列号数量'),
('IC', 'IsExpSourceToTarget', '0', '源单号写入摘要'),
('IC', 'IsSaleForIncludeTaxPrice', '0', '销售按含税单价录入'),
('IC', 'IsUsePrevStockForBill', '1', '新增行携带默认仓库'),
('IC', 'QuantityDigitCount', '4', '数量小数位'),
('IC', 'StockOutCalCost', '1', '出库单据计算成本'),
('IC', 'UnderStockBeforeSave', '0', '保存时检查库存'),
('IC', 'UpdateRelaxAddrInSale', '1', '销售单据反写联系人'),
('IC', 'IsPeriodDateExpireNotSale', '0', '过期商品不允许销售'),
('IC', 'XSPriceLimitType', '0', '限价类型：0 单价 1 折后单价'),
('IC', 'SaveBeforePrint', '0', '打印前保存'),
('IC', 'ControlPoint', '0', '信用与限价控制点'),
('General', 'GLAndJXCUnite', '0', '财务业务一体化'),
('General', 'TaxRate', '13', '默认税率(%)'),
('Base', 'AcctountingClosed', '0', '已关账'),
('Base', 'QVTSaleName', '杭州汇通商贸有限公司', '开票方名称'),
('Base', 'QVTSaleTaxID', '91330104MA2H3K7X5Q', '开票方纳税识别号'),
('Base', 'QVTSaleAddress', '杭州市江干区九堡大道1888号 0571-86901234', '开票方地址电话'),
('Base', 'QVTSaleBankInfo', '中国工商银行杭州九堡支行 1202022309900088866', '开票方开户行及账号'),
('GL', 'Closed', '1', '总账已结束初始化'),
('GL', 'InitClosed', '0', '期初余额已结账');

-- Accounting periods: calendar months of 2025, 2026 and 2027.
WITH RECURSIVE m(y, p) AS (
    SELECT 2025, 1
    UNION ALL
    SELECT CASE WHEN p = 12 THEN y + 1 ELSE y END, CASE WHEN p = 12 THEN 1 ELSE p + 1 END
    FROM m WHERE NOT (y = 2027 AND p = 12)
)
INSERT INTO t_PeriodDate (FYear, FPeriod, FStartDate, FEndDate)
SELECT y, p, printf('%04d-%02d-01', y, p),
       date(printf('%04d-%02d-01', y, p), '+1 month', '-1 day')
FROM m;

-- Users: the administrator, a sales clerk and a warehouse keeper.
INSERT INTO t_User (FUserID, FName, FDescription, FEmpID) VALUES
(16394, 'administrator', '系统管理员', 0),
(16395, '张敏', '销售内勤', 302),
(16396, '赵磊', '仓库管理员', 306);

-- Rights are granted unless denied: the warehouse keeper may not see costs, invoice amounts,
-- prices on sales bills, balances, sales orders or purchase bills, nor print.
INSERT INTO t_AccessRight (FObjectType, FObjectID, FAccess, FUserID, FDenied) VALUES
(15, 900, 32, 16396, 1),
(15, 2010, 32, 16396, 1),
(15, 2040, 32, 16396, 1),
(40, 100, 1024, 16396, 1),
(12, 100, 1, 16396, 1),
(11, 200, 1, 16396, 1),
(12, 200, 64, 16396, 1);

-- Per-user options: the sales clerk invoices with VAT by default, makes one logistics bill
-- for several sales bills and recomputes the shelf life when an expiry date is edited.
INSERT INTO ICClassUserProfile (FUserID, FSection, FKey, FValue) VALUES
(16395, 'XS1030002', 'InvoiceType', '2020'),
(16395, 'SaleListInterface', 'LogicMultiToOne', '1'),
(16395, 'BillSet1030002', 'AdjustPeriod', '1'),
(16394, 'Base', 'CheckDuplicateItem', '0');

-- Bill types.
INSERT INTO t_BaseBillTypeData (FID, FNumber, FName, FClassTypeID) VALUES
(2012, '2012', '购货', 1020002),
(2013, '2013', '购货退货', 1020002),
(2030, '2030', '期初暂估', 1020002),
(2031, '2031', '受托入库', 1020003),
(2041, '2041', '其他入库', 1020004),
(2042, '2042', '盘盈入库', 1020004),
(3001, '3001', '销售发货', 1030002),
(3002, '3002', '销售退货', 1030002),
(3003, '3003', '委托结算', 1030002),
(3004, '3004', '委托结算退货', 1030002),
(3010, '3010', '委托代销', 1030003),
(3011, '3011', '委托退货', 1030003),
(3031, '3031', '销售订单', 1030001),
(3032, '3032', '网上订单', 1030001);

-- Form field information read by the special-price bill (the customer box follows FCUSTOMER).
INSERT INTO ICClassTableInfo (FID, FClassTypeID, FKey, FCaption, FPage, FVisible) VALUES
(1, 1030006, 'FCUSTOMER', '适用客户', 1, 1),
(2, 1030006, 'FPriceType', '价格类型', 1, 1);
