-- Host database schema of the reference host.
--
-- Typing rules, so that the sales plug-ins' T-SQL keeps its SQL Server meaning on SQLite:
--   * text columns        TEXT COLLATE SQLTEXT      (letter case and trailing blanks ignored)
--   * date columns        DATETIME COLLATE SQLDATE  ('YYYY-MM-DD' or 'YYYY-MM-DD HH:MM:SS')
--   * decimal columns     REAL                      (money, quantities, prices, rates,
--                                                    coefficients: never stored as integers)
--   * identifiers, integers and Boolean flags       INTEGER
--   * times of day        TEXT 'HH:MM:SS'           (compared as text)
-- Identity keys are INTEGER PRIMARY KEY. Entry identifiers (FEntryID) are unique over the whole
-- entry table, so source links (FID_SRC, FEntryID_SRC, FClassID_SRC) name one row; lEntryID and
-- FEntryID2, the names the row services use for it, are computed from FEntryID.
-- No header table carries FQty or FSecQty: the plug-ins sum them unqualified over joins.
-- t_FL_SchemeLink (rebate links) is deliberately absent; a scenario may create it.

-- ============================================================================================
-- Base data: the common item register, items, units, barcodes, auxiliary properties
-- ============================================================================================

-- Every base-data record (customers 1, departments 2, employees 3, items 4, stocks 5,
-- suppliers 8) has its row here; the class tables below share its FItemID.
CREATE TABLE t_Item (
    FItemID       INTEGER PRIMARY KEY,
    FItemClassID  INTEGER NOT NULL,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FFullName     TEXT COLLATE SQLTEXT,
    FParentID     INTEGER DEFAULT 0,
    FLevel        INTEGER DEFAULT 1,
    FDetail       INTEGER DEFAULT 1,     -- 1 detail record, 0 group
    FDeleted      INTEGER DEFAULT 0
);
CREATE INDEX ix_t_Item_class ON t_Item (FItemClassID, FNumber);

-- Unit groups; every item belongs to one.
CREATE TABLE t_UnitGroup (
    FUnitGroupID  INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL
);

-- Units of measure, each in one group with its coefficient in the group's base unit. The
-- units of an item are the units of its group (vw_unit); dbo.GetComplexQty writes a base
-- quantity in them.
CREATE TABLE t_MeasureUnit (
    FItemID       INTEGER PRIMARY KEY,
    FUnitGroupID  INTEGER DEFAULT 0,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FCoefficient  REAL DEFAULT 1,
    FDeleted      INTEGER DEFAULT 0
);

-- Calculation types of the industry edition: 1 by weight (base price), 2 by count (shown
-- price), 3 by second quantity (second price).
CREATE TABLE t_CalType (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL
);

-- Items.
--   FConverMethod: 0 no second unit, 1078 fixed conversion, 1079 floating conversion.
--   FIsGC: calculated by calculation type (a NULL counts as true, so plain items carry 0).
--   FISKFPeriod / FKFPeriod: shelf-life managed / shelf life in days.
--   FTrack: costing method (80 = by batch).  FTaxRate: a fraction (0.13 = 13 %).
CREATE TABLE t_ICItem (
    FItemID          INTEGER PRIMARY KEY,
    FNumber          TEXT COLLATE SQLTEXT NOT NULL,
    FName            TEXT COLLATE SQLTEXT NOT NULL,
    FModel           TEXT COLLATE SQLTEXT,
    FHelpCode        TEXT COLLATE SQLTEXT,
    FUnitGroupID     INTEGER DEFAULT 0,                 -- unit group
    FUnitID          INTEGER DEFAULT 0,        -- base unit
    FSaleUnitID      INTEGER DEFAULT 0,        -- default sales unit
    FSecUnitID       INTEGER DEFAULT 0,        -- second unit, 0 = none
    FSecCoefficient  REAL DEFAULT 0,           -- base units per second unit
    FConverMethod    INTEGER DEFAULT 0,
    FIsGC            INTEGER DEFAULT 0,
    FCalTypeID       INTEGER DEFAULT 0,        -- default calculation type
    FISBatchManager  INTEGER DEFAULT 0,
    FISKFPeriod      INTEGER DEFAULT 0,
    FKFPeriod        INTEGER DEFAULT 0,
    FISAuxi          INTEGER DEFAULT 0,
    FIsSerialNumMgr  INTEGER DEFAULT 0,
    FAutoGenBatchNo  INTEGER DEFAULT 0,
    FTrack           INTEGER DEFAULT 0,
    FTaxRate         REAL DEFAULT 0,
    FTaxableItem     INTEGER DEFAULT 1,
    FIsTaxPrice      INTEGER DEFAULT 0,
    FTaxCategoryID   TEXT COLLATE SQLTEXT,              -- tax classification code
    FProfitRate      REAL DEFAULT 0,
    FDefaultLoc      INTEGER DEFAULT 0,        -- default stock
    FQtyDecimal      INTEGER DEFAULT 2,
    FPriceDecimal    INTEGER DEFAULT 2,
    FBaseProperty    TEXT COLLATE SQLTEXT,     -- base properties the serial-number count
    FBaseProperty1   TEXT COLLATE SQLTEXT,     --   check hands over with each row
    FBaseProperty3   TEXT COLLATE SQLTEXT,
    FBaseProperty4   INTEGER DEFAULT 0,
    FBaseProperty8   TEXT COLLATE SQLTEXT,
    FBaseProperty9   TEXT COLLATE SQLTEXT,
    FNote            TEXT COLLATE SQLTEXT,
    FDeleted         INTEGER DEFAULT 0
);
CREATE INDEX ix_t_ICItem_number ON t_ICItem (FNumber);

-- Barcodes of an item's units: FEntryNo 1 is the base unit, 2 the first packing unit, and so
-- on; FCoefficient (base units per unit) repeats the unit's coefficient.
CREATE TABLE t_barcode (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FUnitID       INTEGER NOT NULL,
    FEntryNo      INTEGER DEFAULT 1,
    FCoefficient  REAL DEFAULT 1,
    FBarcode      TEXT COLLATE SQLTEXT,
    FOrder        INTEGER DEFAULT 0                  -- list order of the item's units
);
CREATE INDEX ix_t_barcode_item ON t_barcode (FItemID, FUnitID);

-- Units and barcodes of items, with the unit's number and name.
CREATE VIEW vw_barcode AS
SELECT b.FID, b.FItemID, b.FUnitID, b.FEntryNo, b.FCoefficient, b.FBarcode, b.FOrder,
       u.FNumber AS FUnitNumber, u.FName AS FUnitName
FROM t_barcode b
LEFT JOIN t_MeasureUnit u ON u.FItemID = b.FUnitID;

-- The units of each item (those of its unit group): FItemID is the unit, FSrcItemID the item.
CREATE VIEW vw_unit AS
SELECT u.FItemID, i.FItemID AS FSrcItemID, u.FUnitGroupID, u.FNumber, u.FName, u.FCoefficient,
       b.FBarcode, b.FEntryNo, IFNULL(b.FOrder, 0) AS FOrder
FROM t_ICItem i
INNER JOIN t_MeasureUnit u ON u.FUnitGroupID = i.FUnitGroupID
LEFT JOIN t_barcode b ON b.FItemID = i.FItemID AND b.FUnitID = u.FItemID;

-- Auxiliary properties (colour, size) of items that carry them.
CREATE TABLE t_AuxItem (
    FItemID       INTEGER PRIMARY KEY,
    FItemClassID  INTEGER DEFAULT 2001,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FDeleted      INTEGER DEFAULT 0
);

-- ============================================================================================
-- Customers, suppliers, contacts, organisation, stocks
-- ============================================================================================

-- Customer types with their discount ratio (0.9 = 90 % of the list price); their order by
-- FNumber selects the price-list column FXSPrice1, FXSPrice2, ...
CREATE TABLE t_ClientType (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FAgioRatio    REAL
);

-- Payment terms: FType 1 = FStandDays after the bill date; FType 2 = the next FMonthPayDay
-- after FBeforeDays days.
CREATE TABLE t_SetDl (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FType         INTEGER DEFAULT 1,
    FStandDays    INTEGER DEFAULT 0,
    FMonthPayDay  INTEGER DEFAULT 0,
    FBeforeDays   INTEGER DEFAULT 0
);

-- Customers and suppliers (their t_Item class tells which).
CREATE TABLE t_Organization (
    FItemID            INTEGER PRIMARY KEY,
    FNumber            TEXT COLLATE SQLTEXT NOT NULL,
    FName              TEXT COLLATE SQLTEXT NOT NULL,
    FShortName         TEXT COLLATE SQLTEXT,
    FTypeID            INTEGER DEFAULT 0,      -- customer type
    FCurComeGoBalance  REAL DEFAULT 0,         -- current receivable balance
    FCreditAmount      REAL DEFAULT 0,         -- credit limit
    FPayMentTime       INTEGER DEFAULT 0,      -- payment term (t_SetDl)
    FDefaultOperator   INTEGER DEFAULT 0,      -- salesman (t_Emp)
    FTaxNum            TEXT COLLATE SQLTEXT,            -- tax registration number
    FAddress           TEXT COLLATE SQLTEXT,
    FDeliverAddr       TEXT COLLATE SQLTEXT,
    FCompanyPhone      TEXT COLLATE SQLTEXT,
    FPhone             TEXT COLLATE SQLTEXT,
    FMobilePhone       TEXT COLLATE SQLTEXT,
    FFax               TEXT COLLATE SQLTEXT,
    FEmail             TEXT COLLATE SQLTEXT,
    FContact           TEXT COLLATE SQLTEXT,
    FBank              INTEGER DEFAULT 0,      -- bank (t_SubMessage type 22)
    FBankAccount       TEXT COLLATE SQLTEXT,
    FIntent            INTEGER DEFAULT 0,      -- list grouping of the selection tree
    FDeleted           INTEGER DEFAULT 0
);

-- Contacts of customers; FIsFirst marks the customer's first contact. FID is also the
-- identifier of the contact's receive address in t_SubMessage type 66.
CREATE TABLE t_Contact (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,                     -- customer
    FContact      TEXT COLLATE SQLTEXT NOT NULL,
    FAddress      TEXT COLLATE SQLTEXT,
    FPhone        TEXT COLLATE SQLTEXT,
    FMobilePhone  TEXT COLLATE SQLTEXT,
    FFax          TEXT COLLATE SQLTEXT,
    FEmail        TEXT COLLATE SQLTEXT,
    FDeptName     TEXT COLLATE SQLTEXT,
    FQQNum        TEXT COLLATE SQLTEXT,
    FPosition     TEXT COLLATE SQLTEXT,
    FPhoto        TEXT COLLATE SQLTEXT,
    FIsFirst      INTEGER DEFAULT 0
);
CREATE INDEX ix_t_Contact_item ON t_Contact (FItemID);

-- Small lists by type: 22 banks, 66 receive addresses (FID = t_Contact.FID).
CREATE TABLE t_SubMessage (
    FInterID      INTEGER PRIMARY KEY,
    FTypeID       INTEGER NOT NULL,
    FID           INTEGER NOT NULL,
    FNumber       TEXT COLLATE SQLTEXT,
    FName         TEXT COLLATE SQLTEXT,
    FDeleted      INTEGER DEFAULT 0
);

CREATE TABLE t_Department (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FManager      INTEGER DEFAULT 0,
    FDeleted      INTEGER DEFAULT 0
);

CREATE TABLE t_Emp (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FDepartmentID INTEGER DEFAULT 0,
    FPhone        TEXT COLLATE SQLTEXT,
    FDeleted      INTEGER DEFAULT 0,
    FDimission    INTEGER DEFAULT 0            -- 1 = has left the company
);

-- Stocks (warehouses): FTypeID 500 ordinary, 502 virtual (gift) stock. FRightUserID lists the
-- users who may see the stock when data authorisation is on.
CREATE TABLE t_Stock (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FTypeID       INTEGER DEFAULT 500,
    FAddress      TEXT COLLATE SQLTEXT,
    FEmpID        INTEGER DEFAULT 0,
    FRightUserID  TEXT COLLATE SQLTEXT,
    FDeleted      INTEGER DEFAULT 0
);

-- ============================================================================================
-- Settlement, accounts
-- ============================================================================================

-- Chart of accounts: FQuantities marks accounts kept with quantities; FCurrencyID 0 = all
-- currencies, 1 = home currency, other = one foreign currency.
CREATE TABLE t_account (
    FAccountID    INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FQuantities   INTEGER DEFAULT 0,
    FCurrencyID   INTEGER DEFAULT 1,
    FDetail       INTEGER DEFAULT 1
);

-- Settlement accounts (cash, bank accounts) and settlement methods that use them.
CREATE TABLE t_SettleAcct (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FAccountID    INTEGER DEFAULT 0,
    FBankAccount  TEXT COLLATE SQLTEXT
);

CREATE TABLE t_Settle (
    FItemID       INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FAcctID       INTEGER DEFAULT 0            -- settlement account
);

-- ============================================================================================
-- System options, periods, users, rights, user profiles, form table information
-- ============================================================================================

-- System options by category and key; values are texts.
CREATE TABLE t_SystemProfile (
    FCategory     TEXT COLLATE SQLTEXT NOT NULL,
    FKey          TEXT COLLATE SQLTEXT NOT NULL,
    FValue        TEXT COLLATE SQLTEXT,
    FDescription  TEXT COLLATE SQLTEXT,
    PRIMARY KEY (FCategory, FKey)
);

-- Accounting periods.
CREATE TABLE t_PeriodDate (
    FYear         INTEGER NOT NULL,
    FPeriod       INTEGER NOT NULL,
    FStartDate    DATETIME COLLATE SQLDATE NOT NULL,
    FEndDate      DATETIME COLLATE SQLDATE NOT NULL,
    PRIMARY KEY (FYear, FPeriod)
);

-- Users of the account.
CREATE TABLE t_User (
    FUserID       INTEGER PRIMARY KEY,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FDescription  TEXT COLLATE SQLTEXT,
    FEmpID        INTEGER DEFAULT 0,
    FForbidden    INTEGER DEFAULT 0
);

-- Logged-in processes of the host (the login cache of a process).
CREATE TABLE t_LoginProcess (
    FProcessID    INTEGER PRIMARY KEY,
    FUserID       INTEGER NOT NULL,
    FMachineName  TEXT COLLATE SQLTEXT,
    FIP           TEXT COLLATE SQLTEXT,
    FLoginTime    DATETIME COLLATE SQLDATE
);

-- User rights: everything is granted unless a row denies it (FDenied 1). FUserID 0 applies
-- to every user.
CREATE TABLE t_AccessRight (
    FObjectType   INTEGER NOT NULL,
    FObjectID     INTEGER NOT NULL,
    FAccess       INTEGER NOT NULL,
    FUserID       INTEGER NOT NULL,
    FDenied       INTEGER DEFAULT 1,
    PRIMARY KEY (FObjectType, FObjectID, FAccess, FUserID)
);

-- Per-user options by section and key.
CREATE TABLE ICClassUserProfile (
    FUserID       INTEGER NOT NULL,
    FSection      TEXT COLLATE SQLTEXT NOT NULL,
    FKey          TEXT COLLATE SQLTEXT NOT NULL,
    FValue        TEXT COLLATE SQLTEXT,
    PRIMARY KEY (FUserID, FSection, FKey)
);

-- Field definitions of the bill forms as far as the plug-ins read them.
CREATE TABLE ICClassTableInfo (
    FID           INTEGER PRIMARY KEY,
    FClassTypeID  INTEGER NOT NULL,
    FKey          TEXT COLLATE SQLTEXT NOT NULL,
    FCaption      TEXT COLLATE SQLTEXT,
    FPage         INTEGER DEFAULT 1,
    FVisible      INTEGER DEFAULT 1
);

-- Bill types: FID 3001 sales delivery, 3002 sales return, 3003 consignment settlement, ...
CREATE TABLE t_BaseBillTypeData (
    FID           INTEGER PRIMARY KEY,
    FNumber       TEXT COLLATE SQLTEXT,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FClassTypeID  INTEGER DEFAULT 0
);

-- ============================================================================================
-- Prices and promotions
-- ============================================================================================

-- Sales price sources and their order (2 customer price profile, 3/4/5 price list, 6 latest
-- price to the customer, 7 item's latest sales price).
CREATE TABLE t_XS_PriceProfile (
    FPriceID      INTEGER PRIMARY KEY,
    FName         TEXT COLLATE SQLTEXT NOT NULL,
    FIsUsed       INTEGER DEFAULT 1,
    FSortIndex    INTEGER DEFAULT 0
);

-- The price list per item and unit: FXSPrice the list price, FXSPrice1.. the price for the
-- 1st.. customer type (t_ClientType by FNumber), purchase prices and the sales floor price.
CREATE TABLE t_ItemPrice (
    FID             INTEGER PRIMARY KEY,
    FItemID         INTEGER NOT NULL,
    FUnitID         INTEGER NOT NULL,
    FXSPrice        REAL DEFAULT 0,
    FXSPrice1       REAL DEFAULT 0,
    FXSPrice2       REAL DEFAULT 0,
    FXSPrice3       REAL DEFAULT 0,
    FXSPrice4       REAL DEFAULT 0,
    FXSPrice5       REAL DEFAULT 0,
    FXSPrice6       REAL DEFAULT 0,
    FXSPrice7       REAL DEFAULT 0,
    FXSPrice8       REAL DEFAULT 0,
    FXSPrice9       REAL DEFAULT 0,
    FXSPrice10      REAL DEFAULT 0,
    FXSLatestPrice  REAL DEFAULT 0,
    FCGPrice        REAL DEFAULT 0,
    FCGLatestPrice  REAL DEFAULT 0,
    FLowestPrice    REAL DEFAULT 0             -- sales floor price (price limit)
);
CREATE UNIQUE INDEX ux_t_ItemPrice ON t_ItemPrice (FItemID, FUnitID);

-- Latest prices per item and unit: sales rows carry FCustID, purchase rows FSupplyID.
CREATE TABLE t_LatestPrice (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FUnitID       INTEGER NOT NULL,
    FCustID       INTEGER DEFAULT 0,
    FSupplyID     INTEGER DEFAULT 0,
    FPrice        REAL DEFAULT 0,
    FDiscountRate REAL DEFAULT 100,
    FDate         DATETIME COLLATE SQLDATE
);

-- A customer's own prices and item codes for up to three units of an item.
CREATE TABLE t_ItemPriceProfile (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FCustID       INTEGER NOT NULL,
    FUnitID1      INTEGER DEFAULT 0,
    FXSPrice1     REAL,
    FClientGood1  TEXT COLLATE SQLTEXT,
    FUnitID2      INTEGER DEFAULT 0,
    FXSPrice2     REAL,
    FClientGood2  TEXT COLLATE SQLTEXT,
    FUnitID3      INTEGER DEFAULT 0,
    FXSPrice3     REAL,
    FClientGood3  TEXT COLLATE SQLTEXT
);

-- Special-price (promotion) bills: header, rows and the customers they are limited to.
CREATE TABLE T_LS_CX (
    FID             INTEGER PRIMARY KEY,
    FClassTypeID    INTEGER DEFAULT 1030006,
    FBillTypeID     INTEGER DEFAULT 0,
    FBillNo         TEXT COLLATE SQLTEXT NOT NULL,
    FDate           DATETIME COLLATE SQLDATE,
    FPriceType      INTEGER DEFAULT 1,
    FBeginDate      DATETIME COLLATE SQLDATE,
    FEndDate        DATETIME COLLATE SQLDATE,
    FBeginTime      TEXT COLLATE SQLTEXT,
    FEndTime        TEXT COLLATE SQLTEXT,
    FEmpID          INTEGER DEFAULT 0,
    FDeptID         INTEGER DEFAULT 0,
    FCUSTOMER       TEXT COLLATE SQLTEXT,               -- the customer list, ids joined by ","
    FStatus         INTEGER DEFAULT 0,         -- 0 saved, 1 checked, 3 invalid
    FBillerID       INTEGER DEFAULT 0,
    FCheckerID      INTEGER DEFAULT 0,
    FCheckDate      DATETIME COLLATE SQLDATE,
    FInvalid        INTEGER DEFAULT 0,
    FNote           TEXT COLLATE SQLTEXT
);

CREATE TABLE T_LS_CXEntry (
    FEntryID         INTEGER PRIMARY KEY,
    FID              INTEGER NOT NULL,
    FIndex           INTEGER DEFAULT 1,
    FItemID          INTEGER DEFAULT 0,
    FShowUnitID      INTEGER DEFAULT 0,
    FBarCode         TEXT COLLATE SQLTEXT,
    FOldPrice        REAL DEFAULT 0,
    FNewPrice        REAL DEFAULT 0,
    FDifferPrice     REAL DEFAULT 0,
    FDiscountRate    REAL DEFAULT 100,
    FTotalLimitQty   REAL DEFAULT 0,
    FSingleLimitQty  REAL DEFAULT 0
);

-- Exactly these six columns, in this order: the special-price bill fills it with
-- "insert into T_LS_CX_Customer select ..." without a column list.
CREATE TABLE T_LS_CX_Customer (
    FBillID       INTEGER NOT NULL,
    FBillNo       TEXT COLLATE SQLTEXT NOT NULL,
    FItemClassID  INTEGER NOT NULL,
    FItemID       INTEGER NOT NULL,                     -- customer
    FNumber       TEXT COLLATE SQLTEXT,
    FShowName     TEXT COLLATE SQLTEXT
);

-- Promotion prices in force, one row per promotion bill, item and unit (FBranchShop 0 = the
-- head office). FXSBeginTime/FXSEndTime are times of day 'HH:MM:SS'.
CREATE TABLE t_LS_ItemPrice (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FUnitID       INTEGER NOT NULL,
    FBranchShop   INTEGER DEFAULT 0,
    FXSPrice      REAL DEFAULT 0,
    FXSBillNo     TEXT COLLATE SQLTEXT NOT NULL,
    FXSBeginDate  DATETIME COLLATE SQLDATE NOT NULL,
    FXSEndDate    DATETIME COLLATE SQLDATE NOT NULL,
    FXSBeginTime  TEXT COLLATE SQLTEXT DEFAULT '00:00:00',
    FXSEndTime    TEXT COLLATE SQLTEXT DEFAULT '23:59:59',
    FTotalLimitQty  REAL DEFAULT 0,
    FSingleLimitQty REAL DEFAULT 0
);
CREATE INDEX ix_t_LS_ItemPrice_item ON t_LS_ItemPrice (FItemID, FUnitID);

-- ============================================================================================
-- Stock: inventory, batches, opening stock, serial numbers
-- ============================================================================================

-- Stock on hand per item, stock, batch and auxiliary property, with the batch's dates and
-- the stock value (FAmount) from which the cost reader derives unit costs.
CREATE TABLE t_cc_inventory (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FStockID      INTEGER NOT NULL,
    FBatchNo      TEXT COLLATE SQLTEXT DEFAULT '',
    FAuxPropID    INTEGER DEFAULT 0,
    FKFDate       DATETIME COLLATE SQLDATE,
    FKFPeriod     INTEGER DEFAULT 0,
    FPeriodDate   DATETIME COLLATE SQLDATE,
    FQty          REAL DEFAULT 0,
    FSecQty       REAL DEFAULT 0,
    FAmount       REAL DEFAULT 0
);
CREATE INDEX ix_t_cc_inventory_item ON t_cc_inventory (FItemID, FStockID, FBatchNo);

-- Batches recorded in stock with their dates.
CREATE TABLE T_CC_Stock_BatchNo (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FStockID      INTEGER NOT NULL,
    FBatchNo      TEXT COLLATE SQLTEXT NOT NULL,
    FAuxPropID    INTEGER DEFAULT 0,
    FKFDate       DATETIME COLLATE SQLDATE,
    FKFPeriod     INTEGER DEFAULT 0,
    FPeriodDate   DATETIME COLLATE SQLDATE,
    FQty          REAL DEFAULT 0
);

-- Opening stock of the start period; FdestDate is the batch's expiry date.
CREATE TABLE ICInvInitial (
    FID           INTEGER PRIMARY KEY,
    FYear         INTEGER NOT NULL,
    FPeriod       INTEGER NOT NULL,
    FItemID       INTEGER NOT NULL,
    FStockID      INTEGER NOT NULL,
    FBatchNo      TEXT COLLATE SQLTEXT DEFAULT '',
    FAuxPropID    INTEGER DEFAULT 0,
    FKFDate       DATETIME COLLATE SQLDATE,
    FKFPeriod     INTEGER DEFAULT 0,
    FdestDate     DATETIME COLLATE SQLDATE,
    FQty          REAL DEFAULT 0,
    FSecQty       REAL DEFAULT 0,
    FAmount       REAL DEFAULT 0
);

-- Serial numbers per bill row (FBillID = the stock bill's FID, FBillIndexID = its FIndex);
-- FStatus 1 = taken into stock by the bill, 0 = issued by it. A later record (larger FID) of
-- the same item and serial number on another bill means a later bill has taken it.
CREATE TABLE t_SerialNumList (
    FID           INTEGER PRIMARY KEY,
    FItemID       INTEGER NOT NULL,
    FSerialNo     TEXT COLLATE SQLTEXT NOT NULL,
    FBillID       INTEGER NOT NULL,
    FBillIndexID  INTEGER NOT NULL,
    FClassTypeID  INTEGER DEFAULT 0,
    FStockID      INTEGER DEFAULT 0,
    FStatus       INTEGER DEFAULT 0,
    FNote         TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_SerialNumList_bill ON t_SerialNumList (FBillID, FBillIndexID);
CREATE INDEX ix_t_SerialNumList_item ON t_SerialNumList (FItemID, FSerialNo);

-- ============================================================================================
-- Sales orders (class type 1030001; bill type 3031 ordinary, 3032 web order)
-- ============================================================================================

CREATE TABLE t_XS_Order (
    FID                     INTEGER PRIMARY KEY,
    FClassTypeID            INTEGER DEFAULT 1030001,
    FBillTypeID             INTEGER DEFAULT 3031,
    FBillNo                 TEXT COLLATE SQLTEXT NOT NULL,
    FDate                   DATETIME COLLATE SQLDATE NOT NULL,
    FFetchDate              DATETIME COLLATE SQLDATE,       -- delivery date
    FCustID                 INTEGER DEFAULT 0,
    FEmpID                  INTEGER DEFAULT 0,
    FDeptID                 INTEGER DEFAULT 0,
    FStatus                 INTEGER DEFAULT 0,     -- 0 saved, 1 checked, 2 closed
    FBillerID               INTEGER DEFAULT 0,
    FCheckerID              INTEGER DEFAULT 0,
    FCheckDate              DATETIME COLLATE SQLDATE,
    FInvoiceType            INTEGER DEFAULT 0,
    FCurrencyID             INTEGER DEFAULT 1,
    FExchangeRate           REAL DEFAULT 1,
    FFetchStyle             INTEGER DEFAULT 0,
    FAllAmount              REAL DEFAULT 0,
    FXSDeposit              REAL DEFAULT 0,
    FContact                TEXT COLLATE SQLTEXT,
    FReceiveAddr            TEXT COLLATE SQLTEXT,
    FAddress                TEXT COLLATE SQLTEXT,
    FPhone                  TEXT COLLATE SQLTEXT,
    FMobilePhone            TEXT COLLATE SQLTEXT,
    FFax                    TEXT COLLATE SQLTEXT,
    FExplanation            TEXT COLLATE SQLTEXT,
    FNote                   TEXT COLLATE SQLTEXT,
    FRejected               INTEGER DEFAULT 0,
    FRejectedNote           TEXT COLLATE SQLTEXT,
    FRejectedTime           TEXT COLLATE SQLTEXT,           -- 'yyyy-MM-dd hh:mm:ss'
    FWebTradeID             TEXT COLLATE SQLTEXT,
    FWebshopID              INTEGER DEFAULT 0,
    FWebBillAmount          REAL DEFAULT 0,
    FWebBillDiscountAmount  REAL DEFAULT 0,
    FWebBillTransAmount     REAL DEFAULT 0,
    FWebBillReceAmount      REAL DEFAULT 0,
    FReceiverCity           TEXT COLLATE SQLTEXT,
    FUserDefine1            TEXT COLLATE SQLTEXT,
    FUserDefine2            TEXT COLLATE SQLTEXT,
    FUserDefine3            TEXT COLLATE SQLTEXT,
    FUserDefine4            TEXT COLLATE SQLTEXT,
    FUserDefine5            TEXT COLLATE SQLTEXT,
    FUserDefine6            TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_XS_Order_no ON t_XS_Order (FBillNo);

-- Sales order rows. FSendQty is delivered, FUnSendQty / FUnSendAuxQty not yet delivered (in
-- the shown unit / second unit); FUnLinkCGQty not yet linked to purchase orders.
CREATE TABLE t_XS_OrderEntry (
    FEntryID            INTEGER PRIMARY KEY,
    FID                 INTEGER NOT NULL,
    FIndex              INTEGER DEFAULT 1,
    lEntryID            INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    FEntryID2           INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    FItemID             INTEGER DEFAULT 0,
    FAuxPropID          INTEGER DEFAULT 0,
    FBatchNo            TEXT COLLATE SQLTEXT DEFAULT '',
    FUnitID             INTEGER DEFAULT 0,
    FShowUnitID         INTEGER DEFAULT 0,
    FCoefficient        REAL DEFAULT 1,
    FSecUnitID          INTEGER DEFAULT 0,
    FSecCoefficient     REAL DEFAULT 0,
    FQty                REAL DEFAULT 0,
    FShowQty            REAL DEFAULT 0,
    FSecQty             REAL DEFAULT 0,
    FBasePrice          REAL DEFAULT 0,
    FPrice              REAL DEFAULT 0,
    FSecPrice           REAL DEFAULT 0,
    FIncludeTaxPrice    REAL DEFAULT 0,
    FBasePriceDiscount  REAL DEFAULT 0,
    FPriceDiscount      REAL DEFAULT 0,
    FSecPriceDiscount   REAL DEFAULT 0,
    FBaseTaxPrice       REAL DEFAULT 0,
    FTaxPrice           REAL DEFAULT 0,
    FSecTaxPrice        REAL DEFAULT 0,
    FDiscountRate       REAL DEFAULT 100,
    FDiscountAmount     REAL DEFAULT 0,
    FTaxRate            REAL DEFAULT 0,
    FAmount             REAL DEFAULT 0,
    FTaxAmount          REAL DEFAULT 0,
    FInTaxAmount        REAL DEFAULT 0,
    FNoDiscAmount       REAL DEFAULT 0,
    FSCStockID          INTEGER DEFAULT 0,
    FKFDate             DATETIME COLLATE SQLDATE,
    FKFPeriod           INTEGER DEFAULT 0,
    FPeriodDate         DATETIME COLLATE SQLDATE,
    FClientItemID       TEXT COLLATE SQLTEXT,
    FBarcode            TEXT COLLATE SQLTEXT,
    FCalTypeID          INTEGER DEFAULT 0,
    FDisplayQty         REAL DEFAULT 0,
    FDisplayWeight      REAL DEFAULT 0,
    FDisplayPrice       REAL DEFAULT 0,
    FComplexQtyDis      TEXT COLLATE SQLTEXT,
    FSendQty            REAL DEFAULT 0,
    FBaseSendQty        REAL DEFAULT 0,
    FUnSendQty          REAL DEFAULT 0,
    FUnSendAuxQty       REAL DEFAULT 0,
    FUnLinkCGQty        REAL DEFAULT 0,
    FTotalQty           REAL DEFAULT 0,
    FCgOrderQty         REAL DEFAULT 0,
    FXsOrderQty         REAL DEFAULT 0,
    FInTotalQty         REAL DEFAULT 0,
    FBaseTotalQty       REAL DEFAULT 0,
    FBaseCgOrderQty     REAL DEFAULT 0,
    FBaseXsOrderQty     REAL DEFAULT 0,
    FBaseInTotalQty     REAL DEFAULT 0,
    FFetchDate          DATETIME COLLATE SQLDATE,
    FID_SRC             INTEGER DEFAULT 0,
    FEntryID_SRC        INTEGER DEFAULT 0,
    FClassID_SRC        INTEGER DEFAULT 0,
    FBillNo_SRC         TEXT COLLATE SQLTEXT,
    FNote               TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_XS_OrderEntry_fid ON t_XS_OrderEntry (FID);

-- ============================================================================================
-- Purchase orders (class type 1020001)
-- ============================================================================================

CREATE TABLE t_CG_Order (
    FID           INTEGER PRIMARY KEY,
    FClassTypeID  INTEGER DEFAULT 1020001,
    FBillTypeID   INTEGER DEFAULT 0,
    FBillNo       TEXT COLLATE SQLTEXT NOT NULL,
    FDate         DATETIME COLLATE SQLDATE NOT NULL,
    FFetchDate    DATETIME COLLATE SQLDATE,
    FSupplyID     INTEGER DEFAULT 0,
    FEmpID        INTEGER DEFAULT 0,
    FDeptID       INTEGER DEFAULT 0,
    FStatus       INTEGER DEFAULT 0,
    FBillerID     INTEGER DEFAULT 0,
    FCheckerID    INTEGER DEFAULT 0,
    FInvoiceType  INTEGER DEFAULT 0,
    FAllAmount    REAL DEFAULT 0,
    FExplanation  TEXT COLLATE SQLTEXT,
    FNote         TEXT COLLATE SQLTEXT
);

-- Purchase order rows; FUnStockInQty is not yet received (shown unit).
CREATE TABLE t_CG_OrderEntry (
    FEntryID            INTEGER PRIMARY KEY,
    FID                 INTEGER NOT NULL,
    FIndex              INTEGER DEFAULT 1,
    FItemID             INTEGER DEFAULT 0,
    FAuxPropID          INTEGER DEFAULT 0,
    FUnitID             INTEGER DEFAULT 0,
    FShowUnitID         INTEGER DEFAULT 0,
    FCoefficient        REAL DEFAULT 1,
    FSecUnitID          INTEGER DEFAULT 0,
    FSecCoefficient     REAL DEFAULT 0,
    FQty                REAL DEFAULT 0,
    FShowQty            REAL DEFAULT 0,
    FSecQty             REAL DEFAULT 0,
    FBasePrice          REAL DEFAULT 0,
    FPrice              REAL DEFAULT 0,
    FSecPrice           REAL DEFAULT 0,
    FBaseDiscountPrice  REAL DEFAULT 0,
    FDiscountPrice      REAL DEFAULT 0,
    FSecDiscountPrice   REAL DEFAULT 0,
    FBaseTaxPrice       REAL DEFAULT 0,
    FTaxPrice           REAL DEFAULT 0,
    FSecTaxPrice        REAL DEFAULT 0,
    FDiscountRate       REAL DEFAULT 100,
    FTaxRate            REAL DEFAULT 0,
    FAmount             REAL DEFAULT 0,
    FTaxAmount          REAL DEFAULT 0,
    FInTaxAmount        REAL DEFAULT 0,
    FDCStockID          INTEGER DEFAULT 0,
    FStockInQty         REAL DEFAULT 0,
    FUnStockInQty       REAL DEFAULT 0,
    FFetchDate          DATETIME COLLATE SQLDATE,
    FID_SRC             INTEGER DEFAULT 0,
    FEntryID_SRC        INTEGER DEFAULT 0,
    FClassID_SRC        INTEGER DEFAULT 0,
    FBillNo_SRC         TEXT COLLATE SQLTEXT,
    FNote               TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_CG_OrderEntry_fid ON t_CG_OrderEntry (FID);

-- ============================================================================================
-- Stock bills: purchase bills (1020002), sales bills (1030002), consignment bills (1030003)
-- and the other in and out bills; opening bills carry FIsInit 1.
-- ============================================================================================

CREATE TABLE t_CC_StockBill (
    FID                     INTEGER PRIMARY KEY,
    FClassTypeID            INTEGER NOT NULL,
    FBillTypeID             INTEGER DEFAULT 0,
    FBillNo                 TEXT COLLATE SQLTEXT NOT NULL,
    FDate                   DATETIME COLLATE SQLDATE NOT NULL,
    FCustID                 INTEGER DEFAULT 0,
    FSupplyID               INTEGER DEFAULT 0,
    FEmpID                  INTEGER DEFAULT 0,
    FDeptID                 INTEGER DEFAULT 0,
    FSCStockID              INTEGER DEFAULT 0,
    FDCStockID              INTEGER DEFAULT 0,
    FStatus                 INTEGER DEFAULT 0,     -- 0 saved, 1 checked
    FBillerID               INTEGER DEFAULT 0,
    FCheckerID              INTEGER DEFAULT 0,
    FCheckDate              DATETIME COLLATE SQLDATE,
    FIsInit                 INTEGER DEFAULT 0,     -- 1 = opening bill
    FInvoiceType            INTEGER DEFAULT 0,
    FCurrencyID             INTEGER DEFAULT 1,
    FExchangeRate           REAL DEFAULT 1,
    FAllAmount              REAL DEFAULT 0,
    FCheckAmount            REAL DEFAULT 0,
    FUnCheckAmount          REAL DEFAULT 0,
    FCurCheckAmount         REAL DEFAULT 0,
    FCurPayAmount           REAL DEFAULT 0,
    FNeutralizeAmount       REAL DEFAULT 0,
    FCurPayID               INTEGER DEFAULT 0,     -- payment method
    FBalanceStyle           INTEGER DEFAULT 0,     -- settlement method (t_Settle)
    FAcctNo                 INTEGER DEFAULT 0,     -- settlement account
    FMultiAccount           INTEGER DEFAULT 0,
    FDiscountAcctID         INTEGER DEFAULT 0,
    FSettleLimitDate        DATETIME COLLATE SQLDATE,
    FInvoiceAmt             REAL DEFAULT 0,
    FNoInvoiceAmt           REAL DEFAULT 0,
    FInvoiceNO              TEXT COLLATE SQLTEXT,
    FTranspotationCosts     REAL DEFAULT 0,
    FTotaladvanceCosts      REAL DEFAULT 0,
    FTotalProcurementCosts  REAL DEFAULT 0,
    FTranspotationCharges   REAL DEFAULT 0,
    FContact                TEXT COLLATE SQLTEXT,
    FReceiveAddr            TEXT COLLATE SQLTEXT,
    FAddress                TEXT COLLATE SQLTEXT,
    FDeliverAddr            TEXT COLLATE SQLTEXT,
    FPhone                  TEXT COLLATE SQLTEXT,
    FMobilePhone            TEXT COLLATE SQLTEXT,
    FFax                    TEXT COLLATE SQLTEXT,
    FExplanation            TEXT COLLATE SQLTEXT,
    FNote                   TEXT COLLATE SQLTEXT,
    FRejected               INTEGER DEFAULT 0,
    FRejectedNote           TEXT COLLATE SQLTEXT,
    FRejectedTime           TEXT COLLATE SQLTEXT,           -- 'yyyy-MM-dd hh:mm:ss'
    FLogisticNumber         TEXT COLLATE SQLTEXT,
    FID_SRC                 INTEGER DEFAULT 0,
    FClassID_SRC            INTEGER DEFAULT 0,
    FBillNo_SRC             TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_CC_StockBill_class ON t_CC_StockBill (FClassTypeID, FBillNo);

-- Stock bill rows. Open quantities in the shown unit: FUnRejectQty not yet returned,
-- FUnSettleQty (consignment) not yet settled; their "Aux" twins in the second unit.
CREATE TABLE t_CC_StockBillEntry (
    FEntryID               INTEGER PRIMARY KEY,
    FID                    INTEGER NOT NULL,
    FIndex                 INTEGER DEFAULT 1,
    lEntryID               INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    FEntryID2              INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    FItemID                INTEGER DEFAULT 0,
    FAuxPropID             INTEGER DEFAULT 0,
    FBatchNo               TEXT COLLATE SQLTEXT DEFAULT '',
    FBatchNoIndex          INTEGER DEFAULT 0,
    FUnitID                INTEGER DEFAULT 0,
    FShowUnitID            INTEGER DEFAULT 0,
    FCoefficient           REAL DEFAULT 1,
    FSecUnitID             INTEGER DEFAULT 0,
    FSecCoefficient        REAL DEFAULT 0,
    FQty                   REAL DEFAULT 0,
    FShowQty               REAL DEFAULT 0,
    FSecQty                REAL DEFAULT 0,
    FBasePrice             REAL DEFAULT 0,
    FPrice                 REAL DEFAULT 0,
    FSecPrice              REAL DEFAULT 0,
    FIncludeTaxPrice       REAL DEFAULT 0,
    FBasePriceDiscount     REAL DEFAULT 0,
    FPriceDiscount         REAL DEFAULT 0,
    FSecPriceDiscount      REAL DEFAULT 0,
    FBaseTaxPrice          REAL DEFAULT 0,
    FTaxPrice              REAL DEFAULT 0,
    FSecTaxPrice           REAL DEFAULT 0,
    FDiscountRate          REAL DEFAULT 100,
    FDiscountAmount        REAL DEFAULT 0,
    FTaxRate               REAL DEFAULT 0,
    FAmount                REAL DEFAULT 0,
    FTaxAmount             REAL DEFAULT 0,
    FInTaxAmount           REAL DEFAULT 0,
    FNoDiscAmount          REAL DEFAULT 0,
    FCostPrice             REAL DEFAULT 0,
    FCostAmount            REAL DEFAULT 0,
    FSCStockID             INTEGER DEFAULT 0,     -- stock the goods leave
    FDCStockID             INTEGER DEFAULT 0,     -- stock the goods enter
    FKFDate                DATETIME COLLATE SQLDATE,
    FKFPeriod              INTEGER DEFAULT 0,
    FPeriodDate            DATETIME COLLATE SQLDATE,
    FSerialNo              TEXT COLLATE SQLTEXT,
    FClientItemID          TEXT COLLATE SQLTEXT,
    FBarcode               TEXT COLLATE SQLTEXT,
    FCalTypeID             INTEGER DEFAULT 0,
    FDisplayQty            REAL DEFAULT 0,
    FDisplayWeight         REAL DEFAULT 0,
    FDisplayPrice          REAL DEFAULT 0,
    FComplexQtyDis         TEXT COLLATE SQLTEXT,
    FOrderQty              REAL DEFAULT 0,
    FBaseOrderQty          REAL DEFAULT 0,
    FRejectQty             REAL DEFAULT 0,
    FBaseRejectQty         REAL DEFAULT 0,
    FRejectAuxQty          REAL DEFAULT 0,
    FUnRejectQty           REAL DEFAULT 0,
    FBaseUnRejectQty       REAL DEFAULT 0,
    FUnRejectAuxQty        REAL DEFAULT 0,
    FSettleQty             REAL DEFAULT 0,
    FSettleAuxQty          REAL DEFAULT 0,
    FUnSettleQty           REAL DEFAULT 0,
    FUnSettleAuxQty        REAL DEFAULT 0,
    FProfitLossQty         REAL DEFAULT 0,     -- stock-count bills
    FTranspotationCharges  REAL DEFAULT 0,
    FID_SRC                INTEGER DEFAULT 0,
    FEntryID_SRC           INTEGER DEFAULT 0,
    FClassID_SRC           INTEGER DEFAULT 0,
    FBillNo_SRC            TEXT COLLATE SQLTEXT,
    FNote                  TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_CC_StockBillEntry_fid ON t_CC_StockBillEntry (FID);
CREATE INDEX ix_t_CC_StockBillEntry_src ON t_CC_StockBillEntry (FID_SRC, FEntryID_SRC);

-- ============================================================================================
-- Sales exchange bills (class type 1030005): every row has the main goods set and a twin set
-- whose columns end in "01".
-- ============================================================================================

CREATE TABLE t_cc_Change (
    FID                     INTEGER PRIMARY KEY,
    FClassTypeID            INTEGER DEFAULT 1030005,
    FBillTypeID             INTEGER DEFAULT 0,
    FBillNo                 TEXT COLLATE SQLTEXT NOT NULL,
    FDate                   DATETIME COLLATE SQLDATE NOT NULL,
    FCustID                 INTEGER DEFAULT 0,
    FEmpID                  INTEGER DEFAULT 0,
    FDeptID                 INTEGER DEFAULT 0,
    FStatus                 INTEGER DEFAULT 0,
    FBillerID               INTEGER DEFAULT 0,
    FCheckerID              INTEGER DEFAULT 0,
    FCheckDate              DATETIME COLLATE SQLDATE,
    FInvoiceType            INTEGER DEFAULT 0,
    FAllAmount              REAL DEFAULT 0,
    FCheckAmount            REAL DEFAULT 0,
    FUnCheckAmount          REAL DEFAULT 0,
    FCurCheckAmount         REAL DEFAULT 0,
    FCurPayAmount           REAL DEFAULT 0,
    FNeutralizeAmount       REAL DEFAULT 0,
    FCurPayID               INTEGER DEFAULT 0,
    FBalanceStyle           INTEGER DEFAULT 0,
    FAcctNo                 INTEGER DEFAULT 0,
    FMultiAccount           INTEGER DEFAULT 0,
    FDiscountAcctID         INTEGER DEFAULT 0,
    FDiscountAcctID01       INTEGER DEFAULT 0,     -- discount account of the twin set
    FSettleLimitDate        DATETIME COLLATE SQLDATE,
    FInvoiceAmt             REAL DEFAULT 0,
    FNoInvoiceAmt           REAL DEFAULT 0,
    FTranspotationCosts     REAL DEFAULT 0,
    FTranspotationCharges   REAL DEFAULT 0,
    FContact                TEXT COLLATE SQLTEXT,
    FReceiveAddr            TEXT COLLATE SQLTEXT,
    FAddress                TEXT COLLATE SQLTEXT,
    FDeliverAddr            TEXT COLLATE SQLTEXT,
    FPhone                  TEXT COLLATE SQLTEXT,
    FMobilePhone            TEXT COLLATE SQLTEXT,
    FFax                    TEXT COLLATE SQLTEXT,
    FExplanation            TEXT COLLATE SQLTEXT,
    FNote                   TEXT COLLATE SQLTEXT,
    FRejected               INTEGER DEFAULT 0,
    FRejectedNote           TEXT COLLATE SQLTEXT,
    FRejectedTime           TEXT COLLATE SQLTEXT,
    FLogisticNumber         TEXT COLLATE SQLTEXT,
    FID_SRC                 INTEGER DEFAULT 0,
    FClassID_SRC            INTEGER DEFAULT 0,
    FBillNo_SRC             TEXT COLLATE SQLTEXT
);

CREATE TABLE t_cc_ChangeEntry (
    FEntryID               INTEGER PRIMARY KEY,
    FID                    INTEGER NOT NULL,
    FIndex                 INTEGER DEFAULT 1,
    lEntryID               INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    FEntryID2              INTEGER GENERATED ALWAYS AS (FEntryID) VIRTUAL,
    -- main goods set
    FItemID                INTEGER DEFAULT 0,
    FAuxPropID             INTEGER DEFAULT 0,
    FBatchNo               TEXT COLLATE SQLTEXT DEFAULT '',
    FBatchNoIndex          INTEGER DEFAULT 0,
    FUnitID                INTEGER DEFAULT 0,
    FShowUnitID            INTEGER DEFAULT 0,
    FCoefficient           REAL DEFAULT 1,
    FSecUnitID             INTEGER DEFAULT 0,
    FSecCoefficient        REAL DEFAULT 0,
    FQty                   REAL DEFAULT 0,
    FShowQty               REAL DEFAULT 0,
    FSecQty                REAL DEFAULT 0,
    FBasePrice             REAL DEFAULT 0,
    FPrice                 REAL DEFAULT 0,
    FSecPrice              REAL DEFAULT 0,
    FIncludeTaxPrice       REAL DEFAULT 0,
    FBasePriceDiscount     REAL DEFAULT 0,
    FPriceDiscount         REAL DEFAULT 0,
    FSecPriceDiscount      REAL DEFAULT 0,
    FBaseTaxPrice          REAL DEFAULT 0,
    FTaxPrice              REAL DEFAULT 0,
    FSecTaxPrice           REAL DEFAULT 0,
    FDiscountRate          REAL DEFAULT 100,
    FDiscountAmount        REAL DEFAULT 0,
    FTaxRate               REAL DEFAULT 0,
    FAmount                REAL DEFAULT 0,
    FTaxAmount             REAL DEFAULT 0,
    FInTaxAmount           REAL DEFAULT 0,
    FNoDiscAmount          REAL DEFAULT 0,
    FCostPrice             REAL DEFAULT 0,
    FCostAmount            REAL DEFAULT 0,
    FOrderQty              REAL DEFAULT 0,
    FSCStockID             INTEGER DEFAULT 0,
    FKFDate                DATETIME COLLATE SQLDATE,
    FKFPeriod              INTEGER DEFAULT 0,
    FPeriodDate            DATETIME COLLATE SQLDATE,
    FSerialNo              TEXT COLLATE SQLTEXT,
    FClientItemID          TEXT COLLATE SQLTEXT,
    FBarcode               TEXT COLLATE SQLTEXT,
    FCalTypeID             INTEGER DEFAULT 0,
    FDisplayQty            REAL DEFAULT 0,
    FDisplayWeight         REAL DEFAULT 0,
    FDisplayPrice          REAL DEFAULT 0,
    FComplexQtyDis         TEXT COLLATE SQLTEXT,
    FUnRejectQty           REAL DEFAULT 0,
    FUnRejectAuxQty        REAL DEFAULT 0,
    FTranspotationCharges  REAL DEFAULT 0,
    FID_SRC                INTEGER DEFAULT 0,
    FEntryID_SRC           INTEGER DEFAULT 0,
    FClassID_SRC           INTEGER DEFAULT 0,
    FBillNo_SRC            TEXT COLLATE SQLTEXT,
    -- twin goods set
    FItemID01              INTEGER DEFAULT 0,
    FAuxPropID01           INTEGER DEFAULT 0,
    FBatchNo01             TEXT COLLATE SQLTEXT DEFAULT '',
    FBatchNoIndex01        INTEGER DEFAULT 0,
    FUnitID01              INTEGER DEFAULT 0,
    FShowUnitID01          INTEGER DEFAULT 0,
    FCoefficient01         REAL DEFAULT 1,
    FSecUnitID01           INTEGER DEFAULT 0,
    FSecCoefficient01      REAL DEFAULT 0,
    FQty01                 REAL DEFAULT 0,
    FShowQty01             REAL DEFAULT 0,
    FSecQty01              REAL DEFAULT 0,
    FBasePrice01           REAL DEFAULT 0,
    FPrice01               REAL DEFAULT 0,
    FSecPrice01            REAL DEFAULT 0,
    FIncludeTaxPrice01     REAL DEFAULT 0,
    FBasePriceDiscount01   REAL DEFAULT 0,
    FPriceDiscount01       REAL DEFAULT 0,
    FSecPriceDiscount01    REAL DEFAULT 0,
    FBaseTaxPrice01        REAL DEFAULT 0,
    FTaxPrice01            REAL DEFAULT 0,
    FSecTaxPrice01         REAL DEFAULT 0,
    FDiscountRate01        REAL DEFAULT 100,
    FDiscountAmount01      REAL DEFAULT 0,
    FTaxRate01             REAL DEFAULT 0,
    FAmount01              REAL DEFAULT 0,
    FTaxAmount01           REAL DEFAULT 0,
    FInTaxAmount01         REAL DEFAULT 0,
    FNoDiscAmount01        REAL DEFAULT 0,
    FCostPrice01           REAL DEFAULT 0,
    FCostAmount01          REAL DEFAULT 0,
    FOrderQty01            REAL DEFAULT 0,
    FSCStockID01           INTEGER DEFAULT 0,
    FKFDate01              DATETIME COLLATE SQLDATE,
    FKFPeriod01            INTEGER DEFAULT 0,
    FPeriodDate01          DATETIME COLLATE SQLDATE,
    FSerialNo01            TEXT COLLATE SQLTEXT,
    FClientItemID01        TEXT COLLATE SQLTEXT,
    FBarcode01             TEXT COLLATE SQLTEXT,
    FCalTypeID01           INTEGER DEFAULT 0,
    FDisplayQty01          REAL DEFAULT 0,
    FDisplayWeight01       REAL DEFAULT 0,
    FDisplayPrice01        REAL DEFAULT 0,
    FID_SRC01              INTEGER DEFAULT 0,
    FEntryID_SRC01         INTEGER DEFAULT 0,
    FClassID_SRC01         INTEGER DEFAULT 0,
    FBillNo_SRC01          TEXT COLLATE SQLTEXT,
    FNote                  TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_cc_ChangeEntry_fid ON t_cc_ChangeEntry (FID);

-- ============================================================================================
-- Assembly and disassembly bills (class types 1040005, 1040006): assembled goods rows and
-- component rows, with production date FProDate and expiry date FExpDate.
-- ============================================================================================

CREATE TABLE T_CC_ZZCX (
    FID           INTEGER PRIMARY KEY,
    FClassTypeID  INTEGER DEFAULT 1040005,
    FBillTypeID   INTEGER DEFAULT 0,
    FBillNo       TEXT COLLATE SQLTEXT NOT NULL,
    FDate         DATETIME COLLATE SQLDATE NOT NULL,
    FEmpID        INTEGER DEFAULT 0,
    FDeptID       INTEGER DEFAULT 0,
    FStatus       INTEGER DEFAULT 0,
    FCheckerID    INTEGER DEFAULT 0,
    FAllAmount    REAL DEFAULT 0,
    FExplanation  TEXT COLLATE SQLTEXT
);

CREATE TABLE t_CC_ZZCX_ENTRY (
    FEntryID       INTEGER PRIMARY KEY,
    FID            INTEGER NOT NULL,
    FIndex         INTEGER DEFAULT 1,
    FItemID        INTEGER DEFAULT 0,
    FAuxPropID     INTEGER DEFAULT 0,
    FBatchNo       TEXT COLLATE SQLTEXT DEFAULT '',
    FUnitID        INTEGER DEFAULT 0,
    FShowUnitID    INTEGER DEFAULT 0,
    FCoefficient   REAL DEFAULT 1,
    FQty           REAL DEFAULT 0,
    FShowQty       REAL DEFAULT 0,
    FSecQty        REAL DEFAULT 0,
    FPrice         REAL DEFAULT 0,
    FAmount        REAL DEFAULT 0,
    FSCStockID     INTEGER DEFAULT 0,
    FDCStockID     INTEGER DEFAULT 0,
    FProDate       DATETIME COLLATE SQLDATE,
    FKFPeriod      INTEGER DEFAULT 0,
    FExpDate       DATETIME COLLATE SQLDATE,
    FSerialNo      TEXT COLLATE SQLTEXT
);

CREATE TABLE t_CC_ZZCX_ENTRY2 (
    FEntryID       INTEGER PRIMARY KEY,
    FID            INTEGER NOT NULL,
    FIndex         INTEGER DEFAULT 1,
    FParentEntryID INTEGER DEFAULT 0,
    FItemID        INTEGER DEFAULT 0,        -- the component (child item)
    FAuxPropID     INTEGER DEFAULT 0,
    FBatchNo       TEXT COLLATE SQLTEXT DEFAULT '',
    FUnitID        INTEGER DEFAULT 0,
    FShowUnitID    INTEGER DEFAULT 0,
    FCoefficient   REAL DEFAULT 1,
    FQty           REAL DEFAULT 0,
    FShowQty       REAL DEFAULT 0,
    FSecQty        REAL DEFAULT 0,
    FPrice         REAL DEFAULT 0,
    FAmount        REAL DEFAULT 0,
    FSCStockID     INTEGER DEFAULT 0,
    FDCStockID     INTEGER DEFAULT 0,
    FProDate       DATETIME COLLATE SQLDATE,
    FKFPeriod      INTEGER DEFAULT 0,
    FExpDate       DATETIME COLLATE SQLDATE,
    FSerialNo      TEXT COLLATE SQLTEXT
);

-- ============================================================================================
-- Goods movements by bill, for the batch checks: every row that brought goods into a stock
-- (vw_cc_Receive) or took them out (vw_cc_Send); the _Audit views only checked bills.
-- ============================================================================================

CREATE VIEW vw_cc_Receive AS
SELECT t.FID, t.FClassTypeID, t.FBillTypeID, t.FBillNo, t.FDate, t.FStatus, e.FEntryID,
       e.FItemID, e.FDCStockID AS FStockID, e.FBatchNo, e.FKFDate, e.FKFPeriod, e.FPeriodDate,
       e.FAuxPropID, e.FQty
FROM t_CC_StockBill t
INNER JOIN t_CC_StockBillEntry e ON e.FID = t.FID
WHERE e.FDCStockID > 0
UNION ALL
SELECT t.FID, t.FClassTypeID, t.FBillTypeID, t.FBillNo, t.FDate, t.FStatus, e.FEntryID,
       e.FItemID, e.FDCStockID, e.FBatchNo, e.FProDate, e.FKFPeriod, e.FExpDate,
       e.FAuxPropID, e.FQty
FROM T_CC_ZZCX t
INNER JOIN t_CC_ZZCX_ENTRY e ON e.FID = t.FID
WHERE e.FDCStockID > 0;

CREATE VIEW vw_cc_Send AS
SELECT t.FID, t.FClassTypeID, t.FBillTypeID, t.FBillNo, t.FDate, t.FStatus, e.FEntryID,
       e.FItemID, e.FSCStockID AS FStockID, e.FBatchNo, e.FKFDate, e.FKFPeriod, e.FPeriodDate,
       e.FAuxPropID, e.FQty
FROM t_CC_StockBill t
INNER JOIN t_CC_StockBillEntry e ON e.FID = t.FID
WHERE e.FSCStockID > 0
UNION ALL
SELECT t.FID, t.FClassTypeID, t.FBillTypeID, t.FBillNo, t.FDate, t.FStatus, e.FEntryID,
       e.FItemID, e.FSCStockID, e.FBatchNo, e.FProDate, e.FKFPeriod, e.FExpDate,
       e.FAuxPropID, e.FQty
FROM T_CC_ZZCX t
INNER JOIN t_CC_ZZCX_ENTRY2 e ON e.FID = t.FID
WHERE e.FSCStockID > 0;

CREATE VIEW vw_cc_Receive_Audit AS
SELECT * FROM vw_cc_Receive WHERE FStatus > 0;

CREATE VIEW vw_cc_Send_Audit AS
SELECT * FROM vw_cc_Send WHERE FStatus > 0;

-- ============================================================================================
-- Invoices, receivables and advance receipts
-- ============================================================================================

-- VAT invoices made from sales bills (by invoice code and number).
CREATE TABLE t_Invoice (
    FID           INTEGER PRIMARY KEY,
    FCode         TEXT COLLATE SQLTEXT NOT NULL,
    FNumber       TEXT COLLATE SQLTEXT NOT NULL,
    FDate         DATETIME COLLATE SQLDATE,
    FType         INTEGER DEFAULT 2,         -- 3 special VAT invoice, 2 ordinary
    FCustID       INTEGER DEFAULT 0,
    FAmount       REAL DEFAULT 0,
    FTaxAmount    REAL DEFAULT 0,
    FAmountIncludeTax REAL DEFAULT 0,
    FRemark       TEXT COLLATE SQLTEXT
);

CREATE TABLE t_InvoiceEntry (
    FEntryID          INTEGER PRIMARY KEY,
    FInvCode          TEXT COLLATE SQLTEXT NOT NULL,
    FInvNumber        TEXT COLLATE SQLTEXT NOT NULL,
    FItemID           INTEGER DEFAULT 0,
    FUnitID           INTEGER DEFAULT 0,
    FQuantity         REAL DEFAULT 0,
    FPrice            REAL DEFAULT 0,
    FPriceIncludeTax  REAL DEFAULT 0,
    FAmount           REAL DEFAULT 0,
    FTaxRate          REAL DEFAULT 0,
    FTaxAmount        REAL DEFAULT 0,
    FAmountIncludeTax REAL DEFAULT 0,
    FID_SRC           INTEGER DEFAULT 0,
    FEntryID_SRC      INTEGER DEFAULT 0,
    FClassID_SRC      INTEGER DEFAULT 0,
    FBillNo_SRC       TEXT COLLATE SQLTEXT
);
CREATE INDEX ix_t_InvoiceEntry_src ON t_InvoiceEntry (FID_SRC, FEntryID_SRC);

-- Receivables transfer bills (FBillTypeID 5024 / 5025) and their source rows.
CREATE TABLE t_RP_CheckBill (
    FID           INTEGER PRIMARY KEY,
    FBillNo       TEXT COLLATE SQLTEXT NOT NULL,
    FBillTypeID   INTEGER NOT NULL,
    FDate         DATETIME COLLATE SQLDATE,
    FCustID       INTEGER DEFAULT 0,
    FStatus       INTEGER DEFAULT 0,
    FAmount       REAL DEFAULT 0
);

CREATE TABLE t_RP_CheckBillEntry1 (
    FEntryID           INTEGER PRIMARY KEY,
    FID                INTEGER NOT NULL,
    FSourceClassTypeID INTEGER DEFAULT 0,
    FSourceInterID     INTEGER DEFAULT 0,     -- the source bill's FID
    FSourceBillNo      TEXT COLLATE SQLTEXT,
    FAmount            REAL DEFAULT 0
);

-- Receipts and advance receipts (FBillTypeID 1 receipt, 2 advance receipt).
CREATE TABLE t_RP_RBill (
    FID           INTEGER PRIMARY KEY,
    FBillNo       TEXT COLLATE SQLTEXT NOT NULL,
    FBillTypeID   INTEGER DEFAULT 1,
    FDate         DATETIME COLLATE SQLDATE,
    FCustID       INTEGER DEFAULT 0,
    FAmount       REAL DEFAULT 0,
    FCheckAmount  REAL DEFAULT 0,         -- already offset
    FStatus       INTEGER DEFAULT 0
);

-- Offsets of bills against receipts: bill FInterID (class FClassTypeID) took FCheckAmount
-- from receipt FRBillID.
CREATE TABLE ICCheckInfo (
    FID           INTEGER PRIMARY KEY,
    FClassTypeID  INTEGER NOT NULL,
    FInterID      INTEGER NOT NULL,
    FRBillID      INTEGER NOT NULL,
    FCheckAmount  REAL DEFAULT 0,
    FDate         DATETIME COLLATE SQLDATE
);
