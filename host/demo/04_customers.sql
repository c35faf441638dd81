-- Demo account: customer types with discount ratios, payment terms of both kinds (days after
-- the bill, monthly pay day), customers in two regions with balances, credit limits, tax and
-- bank data, suppliers, customer contacts (上海百联 has two contacts named 陈丽), banks and
-- receive addresses.

-- Customer types: their order by number selects FXSPrice1..4 of the price list.
INSERT INTO t_ClientType (FItemID, FNumber, FName, FAgioRatio) VALUES
(1, '01', '重点客户', 0.95),
(2, '02', '批发客户', 0.9),
(3, '03', '零售客户', 1),
(4, '04', 'VIP会员', 0.85);

-- Payment terms: type 1 days after the bill date, type 2 the next monthly pay day.
INSERT INTO t_SetDl (FItemID, FNumber, FName, FType, FStandDays, FMonthPayDay, FBeforeDays) VALUES
(1, '01', '现款现货', 1, 0, 0, 0),
(2, '02', '月结30天', 1, 30, 0, 0),
(3, '03', '每月25日结算', 2, 0, 25, 0),
(4, '04', '次月10日结算', 2, 0, 10, 30);

-- Customer groups and customers (class 1), suppliers (class 8).
INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, FFullName, FParentID, FLevel, FDetail) VALUES
(100, 1, '01', '华东区', '华东区', 0, 1, 0),
(110, 1, '02', '华北区', '华北区', 0, 1, 0),
(101, 1, '01.001', '杭州联华华商集团有限公司', '华东区_杭州联华华商集团有限公司', 100, 2, 1),
(102, 1, '01.002', '上海百联便利连锁有限公司', '华东区_上海百联便利连锁有限公司', 100, 2, 1),
(103, 1, '01.003', '宁波万家福商贸有限公司', '华东区_宁波万家福商贸有限公司', 100, 2, 1),
(106, 1, '01.004', '苏州王建国食品商行', '华东区_苏州王建国食品商行', 100, 2, 1),
(104, 1, '02.001', '北京京客隆商业集团股份有限公司', '华北区_北京京客隆商业集团股份有限公司', 110, 2, 1),
(105, 1, '02.002', '天津家乐购超市有限公司', '华北区_天津家乐购超市有限公司', 110, 2, 1),
(107, 1, '02.003', '石家庄惠民批发部', '华北区_石家庄惠民批发部', 110, 2, 1),
(801, 8, 'S01', '浙江农夫山泉股份有限公司', '浙江农夫山泉股份有限公司', 0, 1, 1),
(802, 8, 'S02', '广东美的生活电器制造有限公司', '广东美的生活电器制造有限公司', 0, 1, 1),
(803, 8, 'S03', '宝山钢铁股份有限公司', '宝山钢铁股份有限公司', 0, 1, 1),
(804, 8, 'S04', '内蒙古伊利实业集团股份有限公司', '内蒙古伊利实业集团股份有限公司', 0, 1, 1);

-- Customers and suppliers. 天津家乐购 has paid in advance (negative balance); 苏州王建国 has
-- no tax number and no payment term; 石家庄惠民's salesman has left the company.
INSERT INTO t_Organization (FItemID, FNumber, FName, FShortName, FTypeID, FCurComeGoBalance,
    FCreditAmount, FPayMentTime, FDefaultOperator, FTaxNum, FAddress, FDeliverAddr,
    FCompanyPhone, FPhone, FMobilePhone, FFax, FEmail, FContact, FBank, FBankAccount, FIntent) VALUES
(101, '01.001', '杭州联华华商集团有限公司', '杭州联华', 1, 36800.5, 500000, 2, 301,
    '913301007042035981', '杭州市上城区庆春路88号', '杭州市余杭区良渚物流园联华配送中心',
    '0571-87012345', '0571-87012346', '13805710001', '0571-87012399', 'cg@lianhua-hz.cn', '赵敏', 1,
    '1202021109900012345', 1),
(102, '01.002', '上海百联便利连锁有限公司', '上海百联', 2, 8200, 100000, 3, 302,
    '91310106132245678K', '上海市静安区共和新路1999号', '上海市静安区共和新路1999号',
    '021-56781234', '021-56781235', '13916620002', NULL, 'caigou@bailian-bl.cn', '陈丽', 2,
    '31001517100050012345', 1),
(103, '01.003', '宁波万家福商贸有限公司', '宁波万家福', 3, 0, 0, 1, 303,
    '91330203MA2CL1234X', '宁波市海曙区中山西路300号', NULL,
    '0574-87351234', '0574-87351235', NULL, NULL, NULL, NULL, 0, NULL, 2),
(104, '02.001', '北京京客隆商业集团股份有限公司', '北京京客隆', 1, 125000, 300000, 4, 303,
    '911100001019876543', '北京市朝阳区新源街24号', '北京市朝阳区酒仙桥路6号京客隆配送中心',
    '010-64671234', '010-64671235', '13601010004', '010-64671299', 'jkl@jingkelong.cn', '周杰', 3,
    '110902345610201', 1),
(105, '02.002', '天津家乐购超市有限公司', '天津家乐购', 4, -2000, 50000, 2, 303,
    '91120104MA05K8765P', '天津市南开区黄河道467号', NULL,
    '022-27361234', '022-27361235', '13820220005', NULL, NULL, '吴倩', 0, NULL, 2),
(106, '01.004', '苏州王建国食品商行', '王建国商行', 3, 1560, 5000, 0, 0,
    '', '苏州市姑苏区石路街道广济南路19号', NULL,
    NULL, '13962120006', '13962120006', NULL, NULL, '王建国', 0, NULL, 3),
(107, '02.003', '石家庄惠民批发部', '惠民批发', 2, 0, 20000, 2, 305,
    '91130102MA07ABCD12', '石家庄市桥西区中华南大街168号', NULL,
    '0311-86061234', '0311-86061235', NULL, NULL, NULL, NULL, 0, NULL, 3),
(801, 'S01', '浙江农夫山泉股份有限公司', '农夫山泉', 0, -15600, 0, 2, 304,
    '913300007042123456', '杭州市西湖区葛衙庄181号', NULL,
    '0571-87631234', NULL, NULL, NULL, NULL, NULL, 0, NULL, 0),
(802, 'S02', '广东美的生活电器制造有限公司', '美的生活电器', 0, -31200, 0, 2, 304,
    '91440606722469876Q', '佛山市顺德区北滘镇美的大道6号', NULL,
    '0757-26331234', NULL, NULL, NULL, NULL, NULL, 0, NULL, 0),
(803, 'S03', '宝山钢铁股份有限公司', '宝钢股份', 0, 0, 0, 2, 304,
    '91310000631696382C', '上海市宝山区富锦路885号', NULL,
    '021-26641234', NULL, NULL, NULL, NULL, NULL, 0, NULL, 0),
(804, 'S04', '内蒙古伊利实业集团股份有限公司', '伊利股份', 0, 0, 0, 2, 304,
    '911501001144109012', '呼和浩特市金山开发区金山大街1号', NULL,
    '0471-33501234', NULL, NULL, NULL, NULL, NULL, 0, NULL, 0);

-- Contacts. 上海百联 has two contacts named 陈丽; 宁波万家福 has a contact but no first
-- contact; 石家庄惠民 and 苏州王建国 have none.
INSERT INTO t_Contact (FID, FItemID, FContact, FAddress, FPhone, FMobilePhone, FFax, FEmail,
    FDeptName, FQQNum, FPosition, FPhoto, FIsFirst) VALUES
(1, 101, '赵敏', '杭州市余杭区良渚物流园联华配送中心', '0571-87012346', '13805710001', NULL,
    'zhaomin@lianhua-hz.cn', '采购部', '281234501', '采购经理', NULL, 1),
(2, 101, '孙浩', '杭州市上城区庆春路88号', '0571-87012347', '13805710011', NULL, NULL,
    '财务部', NULL, '会计', NULL, 0),
(3, 102, '陈丽', '上海市静安区共和新路1999号', '021-56781235', '13916620002', NULL,
    'chenli@bailian-bl.cn', '采购部', NULL, '采购主管', NULL, 1),
(4, 102, '陈丽', '上海市浦东新区张杨路500号', '021-58881235', '13916620012', NULL, NULL,
    '浦东门店', NULL, '店长', NULL, 0),
(5, 104, '周杰', '北京市朝阳区酒仙桥路6号京客隆配送中心', '010-64671235', '13601010004', NULL,
    'zhoujie@jingkelong.cn', '采购中心', NULL, '品类经理', NULL, 1),
(6, 105, '吴倩', '天津市南开区黄河道467号', '022-27361235', '13820220005', NULL, NULL,
    '采购部', NULL, '采购员', NULL, 1),
(7, 103, '郑磊', '宁波市海曙区中山西路300号', '0574-87351235', '13567420007', NULL, NULL,
    '业务部', NULL, '业务员', NULL, 0);

-- Banks (type 22) and the contacts' receive addresses (type 66, FID = t_Contact.FID).
INSERT INTO t_SubMessage (FInterID, FTypeID, FID, FNumber, FName) VALUES
(1, 22, 1, '01', '中国工商银行杭州庆春支行'),
(2, 22, 2, '02', '中国建设银行上海静安支行'),
(3, 22, 3, '03', '招商银行北京朝阳支行'),
(11, 66, 1, '001', '杭州市余杭区良渚物流园联华配送中心'),
(12, 66, 2, '002', '杭州市上城区庆春路88号'),
(13, 66, 3, '003', '上海市静安区共和新路1999号'),
(14, 66, 4, '004', '上海市浦东新区张杨路500号'),
(15, 66, 5, '005', '北京市朝阳区酒仙桥路6号京客隆配送中心'),
(16, 66, 6, '006', '天津市南开区黄河道467号'),
(17, 66, 7, '007', '宁波市海曙区中山西路300号');
