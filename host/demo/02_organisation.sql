-- Demo account: the company's departments, employees, stocks (with the virtual gift stock of
-- type 502), chart of accounts and settlement methods.

-- Departments (base-data class 2).
INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, FFullName) VALUES
(201, 2, '01', '销售一部', '销售一部'),
(202, 2, '02', '销售二部', '销售二部'),
(203, 2, '03', '采购部', '采购部'),
(204, 2, '04', '仓储部', '仓储部');
INSERT INTO t_Department (FItemID, FNumber, FName) VALUES
(201, '01', '销售一部'),
(202, '02', '销售二部'),
(203, '03', '采购部'),
(204, '04', '仓储部');

-- Employees (class 3); 陈静 has left the company.
INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, FFullName) VALUES
(301, 3, '001', '张伟', '张伟'),
(302, 3, '002', '王芳', '王芳'),
(303, 3, '003', '李娜', '李娜'),
(304, 3, '004', '刘洋', '刘洋'),
(305, 3, '005', '陈静', '陈静'),
(306, 3, '006', '赵磊', '赵磊');
INSERT INTO t_Emp (FItemID, FNumber, FName, FDepartmentID, FPhone, FDeleted, FDimission) VALUES
(301, '001', '张伟', 201, '13805710101', 0, 0),
(302, '002', '王芳', 201, '13805710102', 0, 0),
(303, '003', '李娜', 202, '13805710103', 0, 0),
(304, '004', '刘洋', 203, '13805710104', 0, 0),
(305, '005', '陈静', 202, '13805710105', 0, 1),
(306, '006', '赵磊', 204, '13805710106', 0, 0);

-- Stocks (class 5): 500 ordinary, 502 virtual (gifts).
INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, FFullName) VALUES
(501, 5, '01', '总仓', '总仓'),
(502, 5, '02', '门店仓', '门店仓'),
(503, 5, '03', '冷链仓', '冷链仓'),
(504, 5, '04', '赠品仓', '赠品仓'),
(505, 5, '05', '钢材仓', '钢材仓');
INSERT INTO t_Stock (FItemID, FNumber, FName, FTypeID, FAddress, FEmpID, FRightUserID) VALUES
(501, '01', '总仓', 500, '杭州市江干区九堡大道1888号1号库', 306, '16394,16395,16396'),
(502, '02', '门店仓', 500, '杭州市上城区解放路168号', 306, '16394,16395,16396'),
(503, '03', '冷链仓', 500, '杭州市江干区九堡大道1888号冷库', 306, '16394,16396'),
(504, '04', '赠品仓', 502, '杭州市江干区九堡大道1888号1号库', 306, '16394,16395,16396'),
(505, '05', '钢材仓', 500, '杭州市余杭区仁和街道钢材市场B区', 306, '16394,16396');

-- Chart of accounts: 1405 is kept with quantities, 1122.02 in US dollars only.
INSERT INTO t_account (FAccountID, FNumber, FName, FQuantities, FCurrencyID, FDetail) VALUES
(1001, '1001', '库存现金', 0, 1, 1),
(1002, '1002', '银行存款', 0, 0, 0),
(1003, '1002.01', '银行存款-工行九堡支行', 0, 1, 1),
(1004, '1002.02', '银行存款-支付宝', 0, 1, 1),
(1122, '1122.02', '应收账款-美元客户', 0, 2, 1),
(1405, '1405', '库存商品', 1, 1, 1),
(6603, '6603.03', '财务费用-现金折扣', 0, 1, 1);

-- Settlement accounts and the settlement methods that post to them.
INSERT INTO t_SettleAcct (FItemID, FNumber, FName, FAccountID, FBankAccount) VALUES
(1, '01', '现金', 1001, NULL),
(2, '02', '工行基本户', 1003, '1202022309900088866'),
(3, '03', '支付宝账户', 1004, 'huitong@example.cn');
INSERT INTO t_Settle (FItemID, FNumber, FName, FAcctID) VALUES
(1, '01', '现金', 1),
(2, '02', '转账支票', 2),
(3, '03', '电汇', 2),
(4, '04', '支付宝', 3);
