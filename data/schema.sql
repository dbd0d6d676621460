-- The data file of the shop: every table, index and row a new file needs.
-- Text columns compare without case, as shops type codes in any case.
-- Dates are text 'yyyy-MM-dd HH:mm:ss.zzz': sortable and readable.
PRAGMA foreign_keys = OFF;
BEGIN;

CREATE TABLE InputForm (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    inputNO VARCHAR(50) COLLATE NOCASE,
    inputType INTEGER,
    storageID INTEGER,
    supplierID INTEGER,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    inputDate DATETIME,
    inputUser INTEGER,
    createUser INTEGER,
    createDate DATETIME,
    auditStatus INTEGER DEFAULT 0
);
-- The lines list walks the documents along their number index, newest
-- first; with the partner in that index a list of one partner passes over
-- the other partners' documents without reading them.
CREATE INDEX idxInputFormNO ON InputForm(inputNO, supplierID);
CREATE INDEX idxInputFormSupplier ON InputForm(supplierID);
CREATE INDEX idxInputFormDate ON InputForm(inputDate);

CREATE TABLE InputDetail (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    inputNO VARCHAR(50) COLLATE NOCASE,
    productID INTEGER,
    quantity DOUBLE,
    unitPrice DOUBLE,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    unitID INTEGER
);
-- Each index of the lines also holds the other key, so a list searched by
-- product tests a line's product on the document number index, and the
-- documents holding some products are found on the productID index, without
-- reading the lines themselves. The number index also holds what the
-- statistics sum, so that they add up years of lines from the index alone.
CREATE INDEX idxInputDetailNO ON InputDetail(inputNO, productID, quantity, totalPrice);
CREATE INDEX idxInputDetailProduct ON InputDetail(productID, inputNO);

CREATE TABLE OutputForm (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    outputNO VARCHAR(50) COLLATE NOCASE,
    outputType INTEGER,
    storageID INTEGER,
    customerID INTEGER,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    outputDate DATETIME,
    outputUser INTEGER,
    createUser INTEGER,
    createDate DATETIME,
    auditStatus INTEGER DEFAULT 0
);
CREATE INDEX idxOutputFormNO ON OutputForm(outputNO, customerID);
CREATE INDEX idxOutputFormCustomer ON OutputForm(customerID);
CREATE INDEX idxOutputFormDate ON OutputForm(outputDate);

CREATE TABLE OutputDetail (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    outputNO VARCHAR(50) COLLATE NOCASE,
    productID INTEGER,
    quantity DOUBLE,
    unitPrice DOUBLE,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    unitID INTEGER,
    unitPriceOriginal DOUBLE,
    discount DOUBLE,
    unitStorageCost DOUBLE
);
CREATE INDEX idxOutputDetailNO ON OutputDetail(outputNO, productID, quantity, totalPrice, unitStorageCost);
CREATE INDEX idxOutputDetailProduct ON OutputDetail(productID, outputNO);
-- The sale lines still without a unit cost, which the sales statistics fill
-- in before each run: found at once instead of by reading every line. The
-- condition is written exactly as the repair writes it, or SQLite will not
-- use the index.
CREATE INDEX idxOutputDetailNoCost ON OutputDetail(productID)
    WHERE (unitStorageCost IS NULL OR unitStorageCost <= 0);

CREATE TABLE RefundForm (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    refundType INTEGER,
    refundNO VARCHAR(50) COLLATE NOCASE,
    storageID INTEGER,
    cosID INTEGER,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    refundDate DATETIME,
    refundUser INTEGER,
    createUser INTEGER,
    createDate DATETIME,
    auditStatus INTEGER DEFAULT 0
);
CREATE INDEX idxRefundFormNO ON RefundForm(refundNO, cosID);
CREATE INDEX idxRefundFormType ON RefundForm(refundType);

CREATE TABLE RefundDetail (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    refundNO VARCHAR(50) COLLATE NOCASE,
    productID INTEGER,
    quantity DOUBLE,
    unitPrice DOUBLE,
    totalPrice DOUBLE,
    comments VARCHAR(255) COLLATE NOCASE,
    unitID INTEGER
);
CREATE INDEX idxRefundDetailNO ON RefundDetail(refundNO, productID);
CREATE INDEX idxRefundDetailProduct ON RefundDetail(productID, refundNO);

CREATE TABLE StorageDetail (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    productID INTEGER,
    quantity DOUBLE,
    unit_cost DOUBLE
);
CREATE INDEX idxStorageDetailProduct ON StorageDetail(productID);

CREATE TABLE Product (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    productCode VARCHAR(50) COLLATE NOCASE,
    productName VARCHAR(100) COLLATE NOCASE,
    product_model VARCHAR(100) COLLATE NOCASE,
    product_spec VARCHAR(100) COLLATE NOCASE,
    productDesc VARCHAR(255) COLLATE NOCASE,
    categoryID INTEGER,
    storageUnit INTEGER,
    dfield1 VARCHAR(255) COLLATE NOCASE,
    dfield2 VARCHAR(255) COLLATE NOCASE,
    dfield3 VARCHAR(255) COLLATE NOCASE,
    dfield4 VARCHAR(255) COLLATE NOCASE,
    dfield5 VARCHAR(255) COLLATE NOCASE,
    dfield6 VARCHAR(255) COLLATE NOCASE,
    salePrice DOUBLE,
    product_brand_id INTEGER,
    importLogID INTEGER,
    comments VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxProductCode ON Product(productCode);
CREATE INDEX idxProductName ON Product(productName);
CREATE INDEX idxProductCategory ON Product(categoryID);
CREATE INDEX idxProductUnit ON Product(storageUnit);
CREATE INDEX idxProductBrand ON Product(product_brand_id);

-- The product selector looks for a text anywhere in code, name, model and
-- 规格. Walking every product for that is too slow for a big shop, so the four
-- columns are kept in a trigram index that the triggers below follow. The
-- index holds what LIKE compares: ASCII letters lowered (LIKE ignores their
-- case and no other's). Each value ends in two U+0001 so that every one- or
-- two-character text starts a trigram (ProductSearchTerms finds those).
-- A bulk insert (the product import) indexes its rows a batch at a time,
-- which costs a fraction of a row at a time: inside its transaction it puts
-- a row into ProductSearchHold, which stops ProductSearchAdd, and before it
-- commits it indexes the new products and empties ProductSearchHold again.
-- Other connections never see the hold, as it is never committed.
-- TMainDM::Startup adds these objects to older data files: keep both alike.
CREATE VIEW ProductSearchText AS
SELECT id,
    lower(productCode) || char(1, 1) AS productCode,
    lower(productName) || char(1, 1) AS productName,
    lower(product_model) || char(1, 1) AS product_model,
    lower(product_spec) || char(1, 1) AS product_spec
FROM Product;
CREATE VIRTUAL TABLE ProductSearch USING fts5(productCode, productName, product_model, product_spec,
    content='ProductSearchText', content_rowid='id', tokenize='trigram case_sensitive 1');
CREATE VIRTUAL TABLE ProductSearchTerms USING fts5vocab(ProductSearch, instance);
CREATE TABLE ProductSearchHold (held INTEGER);
CREATE TRIGGER ProductSearchAdd AFTER INSERT ON Product WHEN NOT EXISTS (SELECT 1 FROM ProductSearchHold) BEGIN
    INSERT INTO ProductSearch(rowid, productCode, productName, product_model, product_spec)
    SELECT * FROM ProductSearchText WHERE id = new.id;
END;
CREATE TRIGGER ProductSearchRemove BEFORE DELETE ON Product BEGIN
    INSERT INTO ProductSearch(ProductSearch, rowid, productCode, productName, product_model, product_spec)
    SELECT 'delete', * FROM ProductSearchText WHERE id = old.id;
END;
CREATE TRIGGER ProductSearchChangeFrom BEFORE UPDATE OF id, productCode, productName, product_model, product_spec ON Product BEGIN
    INSERT INTO ProductSearch(ProductSearch, rowid, productCode, productName, product_model, product_spec)
    SELECT 'delete', * FROM ProductSearchText WHERE id = old.id;
END;
CREATE TRIGGER ProductSearchChangeTo AFTER UPDATE OF id, productCode, productName, product_model, product_spec ON Product BEGIN
    INSERT INTO ProductSearch(rowid, productCode, productName, product_model, product_spec)
    SELECT * FROM ProductSearchText WHERE id = new.id;
END;

CREATE TABLE ProductCategory (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    categoryCode VARCHAR(50) COLLATE NOCASE,
    parentID INTEGER,
    categoryName VARCHAR(100) COLLATE NOCASE,
    categoryDesc VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxProductCategoryParent ON ProductCategory(parentID);
CREATE INDEX idxProductCategoryName ON ProductCategory(categoryName);

CREATE TABLE ProductUnit (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    unitName VARCHAR(50) COLLATE NOCASE,
    comments VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxProductUnitName ON ProductUnit(unitName);

CREATE TABLE ProductBrand (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    product_cat_id INTEGER,
    product_brand VARCHAR(50) COLLATE NOCASE,
    comments VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxProductBrandCategory ON ProductBrand(product_cat_id);

CREATE TABLE ProductSize (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    product_model VARCHAR(100) COLLATE NOCASE
);

CREATE TABLE ProductColor (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    product_spec VARCHAR(100) COLLATE NOCASE
);

CREATE TABLE Supplier (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    supplierCode VARCHAR(50) COLLATE NOCASE,
    supplierName VARCHAR(200) COLLATE NOCASE,
    supplierType INTEGER,
    mobile VARCHAR(50) COLLATE NOCASE,
    tel1 VARCHAR(50) COLLATE NOCASE,
    tel2 VARCHAR(50) COLLATE NOCASE,
    qq VARCHAR(50) COLLATE NOCASE,
    msn VARCHAR(50) COLLATE NOCASE,
    icq VARCHAR(50) COLLATE NOCASE,
    addr1 VARCHAR(255) COLLATE NOCASE,
    addr2 VARCHAR(255) COLLATE NOCASE,
    postCode VARCHAR(50) COLLATE NOCASE,
    comments VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxSupplierType ON Supplier(supplierType);

CREATE TABLE Customer (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    customerCode VARCHAR(50) COLLATE NOCASE,
    customerName VARCHAR(200) COLLATE NOCASE,
    customerType INTEGER,
    mobile VARCHAR(50) COLLATE NOCASE,
    tel1 VARCHAR(50) COLLATE NOCASE,
    tel2 VARCHAR(50) COLLATE NOCASE,
    qq VARCHAR(50) COLLATE NOCASE,
    msn VARCHAR(50) COLLATE NOCASE,
    icq VARCHAR(50) COLLATE NOCASE,
    addr1 VARCHAR(255) COLLATE NOCASE,
    addr2 VARCHAR(255) COLLATE NOCASE,
    postCode VARCHAR(50) COLLATE NOCASE,
    comments VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX idxCustomerType ON Customer(customerType);

CREATE TABLE Users (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    userName VARCHAR(50) COLLATE NOCASE,
    password VARCHAR(50) COLLATE BINARY,
    canLogin BOOLEAN DEFAULT 0,
    phone VARCHAR(50) COLLATE NOCASE,
    comments VARCHAR(255) COLLATE NOCASE,
    userGroupID INTEGER
);

CREATE TABLE UserGroup (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    group_name VARCHAR(50) COLLATE NOCASE
);

CREATE TABLE ValueSet (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    setName VARCHAR(50) COLLATE NOCASE,
    elementValue VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX idxValueSetName ON ValueSet(setName);

CREATE TABLE KeyValueConst (
    nameSpace VARCHAR(50) COLLATE NOCASE,
    keyInt INTEGER,
    valueStr VARCHAR(100) COLLATE NOCASE
);

CREATE TABLE SysConfig (
    sysKey VARCHAR(100) COLLATE NOCASE,
    sysValue TEXT COLLATE BINARY,
    section VARCHAR(100) COLLATE NOCASE DEFAULT ''
);

CREATE TABLE SysIdentity (
    module VARCHAR(20) COLLATE NOCASE,
    ymd VARCHAR(8) COLLATE NOCASE,
    sn INTEGER
);
CREATE UNIQUE INDEX idxSysIdentity ON SysIdentity(module, ymd);

CREATE TABLE FieldConfig (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    tableName VARCHAR(50) COLLATE NOCASE,
    TableField VARCHAR(50) COLLATE NOCASE,
    fieldName VARCHAR(100) COLLATE NOCASE,
    fieldNewName VARCHAR(100) COLLATE NOCASE,
    enabled BOOLEAN DEFAULT 1,
    displayOrder INTEGER
);
CREATE INDEX idxFieldConfigTable ON FieldConfig(tableName);

CREATE TABLE ImportLog (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    startDate DATETIME,
    module VARCHAR(50) COLLATE NOCASE,
    recordCount INTEGER,
    endDate DATETIME,
    success INTEGER
);

-- Rows a new data file needs.
INSERT INTO UserGroup(id, group_name) VALUES (1, '管理员');
INSERT INTO UserGroup(id, group_name) VALUES (2, '普通员工');
INSERT INTO Users(id, userName, password, canLogin, phone, comments, userGroupID)
    VALUES (1, 'admin', '', 1, '', '系统管理员', 1);

INSERT INTO KeyValueConst(nameSpace, keyInt, valueStr) VALUES ('AUDIT', 0, '未审核');
INSERT INTO KeyValueConst(nameSpace, keyInt, valueStr) VALUES ('AUDIT', 1, '已审核');

INSERT INTO SysConfig(sysKey, sysValue, section) VALUES ('Version', '2010.1', '');
INSERT INTO SysConfig(sysKey, sysValue, section) VALUES ('VersionType', 'general', '');

INSERT INTO ProductCategory(id, categoryCode, parentID, categoryName, categoryDesc)
    VALUES (1, '', -1, '全部商品', '');

INSERT INTO ProductUnit(unitName, comments) VALUES ('个', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('件', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('箱', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('包', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('台', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('套', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('瓶', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('千克', '');
INSERT INTO ProductUnit(unitName, comments) VALUES ('米', '');

INSERT INTO ValueSet(setName, elementValue) VALUES ('SupplierType', '生产厂家');
INSERT INTO ValueSet(setName, elementValue) VALUES ('SupplierType', '批发商');
INSERT INTO ValueSet(setName, elementValue) VALUES ('SupplierType', '代理商');
INSERT INTO ValueSet(setName, elementValue) VALUES ('CustomerType', '零售客户');
INSERT INTO ValueSet(setName, elementValue) VALUES ('CustomerType', '批发客户');
INSERT INTO ValueSet(setName, elementValue) VALUES ('CustomerType', '会员');

INSERT INTO FieldConfig(tableName, TableField, fieldName, fieldNewName, enabled, displayOrder) VALUES
    ('Product', 'productCode', '商品编码', '商品编码', 1, 1),
    ('Product', 'categoryID', '商品分类', '商品分类', 1, 2),
    ('Product', 'product_model', '型号', '型号', 1, 3),
    ('Product', 'product_spec', '规格', '规格', 1, 4),
    ('Product', 'dfield1', '自定义字段1', '自定义字段1', 1, 5),
    ('Product', 'dfield2', '自定义字段2', '自定义字段2', 1, 6),
    ('Product', 'dfield3', '自定义字段3', '自定义字段3', 1, 7),
    ('Product', 'dfield4', '自定义字段4', '自定义字段4', 1, 8),
    ('Product', 'dfield5', '自定义字段5', '自定义字段5', 1, 9),
    ('Product', 'dfield6', '自定义字段6', '自定义字段6', 1, 10),
    ('Supplier', 'supplierCode', '供应商编码', '供应商编码', 1, 1),
    ('Supplier', 'supplierType', '供应商分类', '供应商分类', 1, 2),
    ('Supplier', 'mobile', '手机', '手机', 1, 3),
    ('Supplier', 'tel1', '电话1', '电话1', 1, 4),
    ('Supplier', 'tel2', '电话2', '电话2', 1, 5),
    ('Supplier', 'qq', 'QQ', 'QQ', 1, 6),
    ('Supplier', 'msn', 'MSN', 'MSN', 1, 7),
    ('Supplier', 'icq', 'ICQ', 'ICQ', 1, 8),
    ('Supplier', 'postCode', '邮编', '邮编', 1, 9),
    ('Supplier', 'addr1', '地址1', '地址1', 1, 10),
    ('Supplier', 'addr2', '地址2', '地址2', 1, 11),
    ('Supplier', 'comments', '备注', '备注', 1, 12),
    ('Customer', 'customerCode', '贵宾卡号', '贵宾卡号', 1, 1),
    ('Customer', 'customerType', '客户分类', '客户分类', 1, 2),
    ('Customer', 'mobile', '手机', '手机', 1, 3),
    ('Customer', 'tel1', '电话1', '电话1', 1, 4),
    ('Customer', 'tel2', '电话2', '电话2', 1, 5),
    ('Customer', 'qq', 'QQ', 'QQ', 1, 6),
    ('Customer', 'msn', 'MSN', 'MSN', 1, 7),
    ('Customer', 'icq', 'ICQ', 'ICQ', 1, 8),
    ('Customer', 'postCode', '邮编', '邮编', 1, 9),
    ('Customer', 'addr1', '地址1', '地址1', 1, 10),
    ('Customer', 'addr2', '地址2', '地址2', 1, 11),
    ('Customer', 'comments', '备注', '备注', 1, 12);

COMMIT;
