// Makes the big shop the benchmarks run on: a data file in the program's own
// schema holding ten years of a busy shop, 100 000 products (about 90 % with
// a stock row), 50 000 purchase and 50 000 sale documents with 1 000 000
// lines, suppliers, customers and staff. No ANALYZE: a shop's own file never
// gets one, so the planner must do without statistics here too.
//
//   bench_bigshop <file>
//
// The file is kept: it is made again only when it is missing or was made by
// another version of this generator (kVersion, stored as the file's
// user_version). Everything comes from one fixed seed, so every build makes
// the same shop.
#include "connection.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

// Raise whenever the shop made below changes, so cached files are remade.
constexpr int kVersion = 2; // 2: the search index and two-key line indexes

constexpr int kProducts = 100000;
constexpr int kDocuments = 100000; // purchases and sales together
constexpr int kLines = 1000000;
constexpr int kSuppliers = 2000;
constexpr int kCustomers = 5000;
constexpr int kStaff = 30;
const QDate kFirstDay(2001, 1, 1);
const QDate kLastDay(2010, 12, 31);

struct Group {
    const char* name;
    std::vector<const char*> children;
    std::vector<const char*> items;
    std::vector<const char*> brands;
    std::vector<const char*> specs;
    std::vector<int> units; // ProductUnit ids: 个 件 箱 包 台 套 瓶 千克 米
};

const std::vector<Group>& groups() {
    static const std::vector<Group> g = {
        {"文具", {"书写工具", "本册", "文件管理", "桌面用品", "画材"},
         {"中性笔", "圆珠笔", "铅笔", "笔记本", "文件夹", "订书机", "计算器", "胶水", "剪刀", "橡皮", "荧光笔", "便利贴"},
         {"得力", "晨光", "齐心", "真彩", "白雪", "国誉", "广博"},
         {"0.5mm", "0.7mm", "A4", "A5", "B5", "80页", "12支/盒", "黑色", "蓝色", "红色"},
         {1, 2, 3, 4}},
        {"食品", {"方便食品", "饼干糕点", "糖果", "坚果炒货", "调味品", "粮油"},
         {"方便面", "饼干", "薯片", "巧克力", "牛肉干", "瓜子", "花生", "酱油", "食醋", "大米", "食用油", "挂面"},
         {"康师傅", "统一", "旺旺", "徐福记", "达利园", "洽洽", "海天", "金龙鱼", "鲁花"},
         {"100g", "250g", "500g", "1kg", "5kg", "5L", "袋装", "桶装", "礼盒装"},
         {1, 3, 4, 7, 8}},
        {"饮料", {"饮用水", "碳酸饮料", "果汁", "茶饮料", "功能饮料"},
         {"矿泉水", "纯净水", "可乐", "雪碧", "橙汁", "绿茶", "冰红茶", "凉茶", "咖啡", "酸梅汤"},
         {"农夫山泉", "娃哈哈", "怡宝", "可口可乐", "百事", "加多宝", "王老吉", "汇源"},
         {"330ml", "500ml", "550ml", "1.5L", "2L", "12瓶/箱", "24罐/箱"},
         {3, 7}},
        {"日化", {"洗护", "清洁", "口腔护理", "护肤"},
         {"洗衣液", "洗衣粉", "洗发水", "沐浴露", "香皂", "牙膏", "牙刷", "洗洁精", "洗面奶", "护手霜"},
         {"蓝月亮", "立白", "汰渍", "海飞丝", "飘柔", "舒肤佳", "高露洁", "佳洁士", "雕牌"},
         {"200ml", "400ml", "750ml", "1kg", "2kg", "3支装", "清香型", "薰衣草"},
         {1, 3, 7}},
        {"纸品", {"抽纸", "卷纸", "湿巾"},
         {"抽纸", "卷纸", "面巾纸", "湿巾", "厨房纸", "手帕纸"},
         {"心相印", "维达", "清风", "洁柔", "金鱼"},
         {"3层", "4层", "10卷", "12卷", "150抽", "80片"},
         {4, 3}},
        {"乳品", {"液态奶", "酸奶", "奶粉"},
         {"纯牛奶", "酸奶", "奶粉", "乳饮料", "奶片"},
         {"伊利", "蒙牛", "光明", "三元", "雀巢"},
         {"250ml", "1L", "400g", "900g", "12盒/箱"},
         {3, 7, 4}},
        {"五金", {"工具", "电工", "锁具"},
         {"螺丝刀", "扳手", "电线", "插座", "灯泡", "挂锁", "胶带", "卷尺"},
         {"公牛", "飞利浦", "史丹利", "世达", "雷士"},
         {"2.5平方", "4平方", "5米", "10米", "3W", "9W", "6寸"},
         {1, 6, 9}},
        {"家电", {"小家电", "厨房电器"},
         {"电水壶", "电饭煲", "电风扇", "吹风机", "豆浆机", "微波炉", "电磁炉"},
         {"美的", "苏泊尔", "九阳", "格力", "海尔", "奔腾"},
         {"1.5L", "1.7L", "3L", "4L", "1800W", "2100W", "白色"},
         {5}},
        {"服装", {"男装", "女装", "童装", "鞋袜"},
         {"T恤", "衬衫", "牛仔裤", "袜子", "运动鞋", "外套", "毛衣"},
         {"李宁", "安踏", "特步", "361度", "森马", "美特斯邦威"},
         {"S", "M", "L", "XL", "XXL", "39码", "41码", "均码"},
         {2, 6}},
        {"烟酒", {"白酒", "啤酒", "葡萄酒"},
         {"白酒", "啤酒", "葡萄酒", "黄酒"},
         {"茅台", "五粮液", "洋河", "青岛", "雪花", "张裕", "长城"},
         {"500ml", "750ml", "330ml", "6瓶/箱", "52度", "42度"},
         {7, 3}},
    };
    return g;
}

const char* const kQualifiers[] = {"", "", "", "经典", "加厚", "家庭装", "迷你", "新款", "特惠装",
                                   "精装", "商务", "学生", "升级版", "简约", "加大"};
const char* const kModelPrefix[] = {"M", "DL-", "KF-", "A", "HX-", "S", "T", "GB-"};
const char* const kProvinces[] = {"广东", "浙江", "江苏", "山东", "福建", "上海", "北京", "四川", "湖南", "河南"};
const char* const kCities[] = {"广州", "深圳", "东莞", "义乌", "杭州", "苏州", "青岛", "厦门", "成都", "长沙", "郑州", "佛山"};
const char* const kFirm[] = {"恒", "泰", "鑫", "隆", "华", "盛", "达", "源", "发", "通", "顺", "宏", "昌", "丰", "嘉"};
const char* const kFirmKind[] = {"贸易有限公司", "商行", "批发部", "实业有限公司", "食品有限公司", "日用品经营部"};
const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡", "郭"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "建华", "志强"};

class Db {
public:
    explicit Db(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail("open");
    }
    ~Db() { sqlite3_close(m_db); }
    void exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            std::fprintf(stderr, "bench_bigshop: %s: %s\n", sql, err ? err : "");
            std::exit(1);
        }
    }
    sqlite3* handle() const { return m_db; }
    [[noreturn]] void fail(const char* what) const {
        std::fprintf(stderr, "bench_bigshop: %s: %s\n", what, m_db ? sqlite3_errmsg(m_db) : "no database");
        std::exit(1);
    }

private:
    sqlite3* m_db = nullptr;
};

// One prepared insert, bound by position and run once per row.
class Insert {
public:
    Insert(Db& db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_st, nullptr) != SQLITE_OK) db.fail(sql);
    }
    ~Insert() { sqlite3_finalize(m_st); }
    Insert& text(const std::string& s) {
        sqlite3_bind_text(m_st, ++m_i, s.data(), int(s.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& integer(qint64 v) {
        sqlite3_bind_int64(m_st, ++m_i, v);
        return *this;
    }
    Insert& real(double v) {
        sqlite3_bind_double(m_st, ++m_i, v);
        return *this;
    }
    Insert& null() {
        sqlite3_bind_null(m_st, ++m_i);
        return *this;
    }
    qint64 run() {
        if (sqlite3_step(m_st) != SQLITE_DONE) m_db.fail("insert");
        sqlite3_reset(m_st);
        m_i = 0;
        return sqlite3_last_insert_rowid(m_db.handle());
    }

private:
    Db& m_db;
    sqlite3_stmt* m_st = nullptr;
    int m_i = 0;
};

std::mt19937_64 rng(20101231);
int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
double uniform() { return std::uniform_real_distribution<double>(0, 1)(rng); }
template <typename T, size_t N> const T& oneOf(const T (&a)[N]) { return a[size_t(pick(0, int(N) - 1))]; }
template <typename T> const T& oneOf(const std::vector<T>& v) { return v[size_t(pick(0, int(v.size()) - 1))]; }
double cents(double v) { return std::round(v * 100) / 100; }

std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += char('0' + pick(0, 9));
    return s;
}

// EAN-13 (shops here mostly sell 69... goods) or, now and then, a 12-digit UPC code.
std::string barcode() {
    std::string s = uniform() < 0.9 ? "69" + digits(10) : "0" + digits(10);
    int sum = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const int d = s[s.size() - 1 - i] - '0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return s + char('0' + (10 - sum % 10) % 10);
}

std::string stamp(const QDate& day, int secondOfDay, int ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", day.year(), day.month(), day.day(),
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, ms);
    return buf;
}

std::string personName() { return std::string(oneOf(kSurnames)) + oneOf(kGiven); }
std::string mobile() { return "13" + digits(9); }

struct ProductRow {
    int unit;
    double price;
    double cost;
};

void generate(Db& db) {
    db.exec("BEGIN");
    // Staff: the schema's admin is user 1.
    {
        Insert st(db, "insert into Users(userName, password, canLogin, phone, comments, userGroupID) "
                      "values (?, '', 1, ?, '', 2)");
        for (int i = 0; i < kStaff; ++i) st.text(personName()).text(mobile()).run();
    }
    // Document types, as the editors offer them.
    std::array<qint64, 2> inputType{}, outputType{};
    {
        Insert st(db, "insert into ValueSet(setName, elementValue) values (?, ?)");
        inputType[0] = st.text("INPUTTYPE").text("正常进货").run();
        inputType[1] = st.text("INPUTTYPE").text("赠品").run();
        outputType[0] = st.text("OUTPUTTYPE").text("零售").run();
        outputType[1] = st.text("OUTPUTTYPE").text("批发").run();
    }
    // Partners: names of firms and people, with phone and address.
    {
        Insert st(db, "insert into Supplier(supplierCode, supplierName, supplierType, mobile, tel1, addr1, comments) "
                      "values (?, ?, ?, ?, ?, ?, '')");
        for (int i = 1; i <= kSuppliers; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "GYS%05d", i);
            const std::string city = oneOf(kCities);
            st.text(code)
                .text(city + oneOf(kFirm) + oneOf(kFirm) + oneOf(kFirmKind))
                .integer(pick(1, 3))
                .text(mobile())
                .text("0" + digits(3) + "-" + digits(8))
                .text(city + "市" + oneOf(kFirm) + "华路" + std::to_string(pick(1, 999)) + "号")
                .run();
        }
        Insert cu(db, "insert into Customer(customerCode, customerName, customerType, mobile, addr1, comments) "
                      "values (?, ?, ?, ?, ?, '')");
        for (int i = 1; i <= kCustomers; ++i) {
            char code[16];
            std::snprintf(code, sizeof code, "KH%05d", i);
            const bool firm = uniform() < 0.3;
            cu.text(code)
                .text(firm ? std::string(oneOf(kCities)) + oneOf(kFirm) + oneOf(kFirm) + "超市" : personName())
                .integer(pick(4, 6))
                .text(mobile())
                .text(std::string(oneOf(kCities)) + "市" + oneOf(kFirm) + "兴街" + std::to_string(pick(1, 500)) + "号")
                .run();
        }
    }
    // Categories two levels under 全部商品 (id 1), brands per top category.
    struct Leafs {
        std::vector<qint64> ids;
        std::vector<qint64> brands;
    };
    std::vector<Leafs> leafs;
    {
        Insert cat(db, "insert into ProductCategory(categoryCode, parentID, categoryName, categoryDesc) "
                       "values (?, ?, ?, '')");
        Insert brand(db, "insert into ProductBrand(product_cat_id, product_brand, comments) values (?, ?, '')");
        int n = 0;
        for (const Group& g : groups()) {
            Leafs l;
            const qint64 top = cat.text("C" + std::to_string(++n)).integer(1).text(g.name).run();
            int c = 0;
            for (const char* child : g.children)
                l.ids.push_back(cat.text("C" + std::to_string(n) + std::to_string(++c)).integer(top).text(child).run());
            for (const char* b : g.brands) l.brands.push_back(brand.integer(top).text(b).run());
            leafs.push_back(std::move(l));
        }
    }
    // Products, and a stock row for about nine in ten.
    std::vector<ProductRow> products(kProducts + 1);
    {
        Insert st(db, "insert into Product(productCode, productName, product_model, product_spec, productDesc, "
                      "categoryID, storageUnit, dfield1, dfield2, salePrice, product_brand_id, comments) "
                      "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')");
        Insert stock(db, "insert into StorageDetail(productID, quantity, unit_cost) values (?, ?, ?)");
        for (int i = 1; i <= kProducts; ++i) {
            const size_t gi = size_t(pick(0, int(groups().size()) - 1));
            const Group& g = groups()[gi];
            const int bi = pick(0, int(g.brands.size()) - 1);
            const std::string name = std::string(g.brands[size_t(bi)]) + oneOf(kQualifiers) + oneOf(g.items);
            ProductRow& p = products[size_t(i)];
            p.unit = oneOf(g.units);
            p.price = cents(std::exp(uniform() * 7) * 0.8 + 0.5); // 1.3 to about 900, mostly cheap
            p.cost = cents(p.price * (0.55 + 0.3 * uniform()));
            st.text(barcode()).text(name);
            if (uniform() < 0.9)
                st.text(oneOf(kModelPrefix) + std::to_string(pick(1, 20000)));
            else
                st.null();
            st.text(oneOf(g.specs));
            if (uniform() < 0.05) st.text("新品, 注意陈列"); else st.null();
            st.integer(oneOf(leafs[gi].ids)).integer(p.unit);
            if (uniform() < 0.7) st.text(oneOf(kProvinces)); else st.null();
            if (gi == 1 || gi == 5) st.text(std::to_string(pick(3, 24)) + "个月"); else st.null();
            st.real(p.price).integer(leafs[gi].brands[size_t(bi)]).run();
            if (uniform() < 0.9) stock.integer(i).real(pick(0, 500)).real(p.cost).run();
        }
    }
    // Documents as they were entered: numbered and dated in order, purchases
    // and sales mixed, 1 to 19 lines each. A fifth of the products make most
    // of the lines, as in any shop.
    std::vector<int> popular(kProducts);
    std::iota(popular.begin(), popular.end(), 1);
    std::shuffle(popular.begin(), popular.end(), rng);
    popular.resize(kProducts / 5);
    auto anyProduct = [&] { return uniform() < 0.8 ? popular[size_t(pick(0, int(popular.size()) - 1))] : pick(1, kProducts); };
    Insert inForm(db, "insert into InputForm(inputNO, inputType, storageID, supplierID, totalPrice, comments, "
                      "inputDate, inputUser, createUser, createDate, auditStatus) values (?, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?)");
    Insert outForm(db, "insert into OutputForm(outputNO, outputType, storageID, customerID, totalPrice, comments, "
                       "outputDate, outputUser, createUser, createDate, auditStatus) values (?, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?)");
    Insert inLine(db, "insert into InputDetail(inputNO, productID, quantity, unitPrice, totalPrice, comments, unitID) "
                      "values (?, ?, ?, ?, ?, '', ?)");
    Insert outLine(db, "insert into OutputDetail(outputNO, productID, quantity, unitPrice, totalPrice, comments, unitID, "
                       "unitPriceOriginal, discount, unitStorageCost) values (?, ?, ?, ?, ?, '', ?, ?, ?, ?)");
    const int days = int(kFirstDay.daysTo(kLastDay)) + 1;
    std::array<int, 2> serial{};
    QDate day;
    qint64 linesLeft = kLines;
    for (int d = 0; d < kDocuments; ++d) {
        // Spread evenly over the days, in shop hours 08:00 to 20:00.
        const double at = double(d) * days / kDocuments;
        const QDate today = kFirstDay.addDays(qint64(at));
        if (today != day) {
            day = today;
            serial = {};
        }
        const int second = 8 * 3600 + int((at - std::floor(at)) * 12 * 3600);
        const bool sale = uniform() < 0.5;
        char no[32];
        std::snprintf(no, sizeof no, "%s%04d%02d%02d%04d", sale ? "XS" : "JH", day.year(), day.month(), day.day(),
                      ++serial[sale ? 1 : 0]);
        const int docsLeft = kDocuments - d;
        const int mean = int(linesLeft / docsLeft);
        const int lines = std::max(1, std::min(19, pick(1, 2 * mean - 1)));
        linesLeft -= lines;
        double total = 0;
        for (int l = 0; l < lines; ++l) {
            const int id = anyProduct();
            const ProductRow& p = products[size_t(id)];
            const double quantity = pick(1, 100) <= 90 ? pick(1, 20) : pick(21, 200);
            if (sale) {
                const double discount = uniform() < 0.8 ? 1.0 : 0.85 + 0.01 * pick(0, 14);
                const double price = cents(p.price * discount);
                const double amount = cents(price * quantity);
                outLine.text(no).integer(id).real(quantity).real(price).real(amount).integer(p.unit)
                    .real(p.price).real(discount).real(p.cost).run();
                total += amount;
            } else {
                const double price = cents(p.cost * (0.95 + 0.1 * uniform()));
                const double amount = cents(price * quantity);
                inLine.text(no).integer(id).real(quantity).real(price).real(amount).integer(p.unit).run();
                total += amount;
            }
        }
        const int user = pick(2, kStaff + 1);
        const bool recent = d >= kDocuments - 300; // the last days are not audited yet
        Insert& form = sale ? outForm : inForm;
        form.text(no)
            .integer(sale ? outputType[uniform() < 0.7 ? 0 : 1] : inputType[uniform() < 0.97 ? 0 : 1])
            .integer(sale ? pick(1, kCustomers) : pick(1, kSuppliers))
            .real(cents(total))
            .text(pick(1, 20) == 1 ? "加急" : "")
            .text(stamp(day, second, 0))
            .integer(user)
            .integer(user)
            .text(stamp(day, std::min(second + pick(30, 900), 86399), pick(0, 999)))
            .integer(recent ? 0 : 1)
            .run();
    }
    db.exec("COMMIT");
}

qint64 count(Db& db, const char* table) {
    sqlite3_stmt* st = nullptr;
    const std::string sql = std::string("select count(*) from ") + table;
    sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &st, nullptr);
    qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

int versionOf(const QString& path) {
    sqlite3* db = nullptr;
    int version = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            version = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return version;
}

void removeFile(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_bigshop <file>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (QFileInfo::exists(path) && versionOf(path) == kVersion) {
        std::printf("big shop: %s (kept, version %d)\n", qPrintable(path), kVersion);
        return 0;
    }
    removeFile(path);
    // Made under another name and renamed at the end, so an interrupted run
    // never leaves a file that looks finished.
    const QString part = path + QStringLiteral(".part");
    removeFile(part);
    QFile schema(QStringLiteral(MORVANE_SCHEMA_FILE));
    if (!schema.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_bigshop: cannot read %s\n", MORVANE_SCHEMA_FILE);
        return 1;
    }
    QElapsedTimer t;
    t.start();
    try {
        Connection::createFromSchema(part, QString::fromUtf8(schema.readAll()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_bigshop: %s\n", e.what());
        return 1;
    }
    {
        Db db(part);
        // One big transaction with a rollback journal and no syncing: the
        // file is thrown away if anything goes wrong. WAL again at the end,
        // as the program keeps its files.
        db.exec("PRAGMA journal_mode=DELETE");
        db.exec("PRAGMA synchronous=OFF");
        db.exec("PRAGMA cache_size=-262144");
        generate(db);
        db.exec(("PRAGMA user_version=" + std::to_string(kVersion)).c_str());
        db.exec("PRAGMA journal_mode=WAL");
        std::printf("big shop: %lld products, %lld stock rows, %lld + %lld documents, %lld + %lld lines\n",
                    count(db, "Product"), count(db, "StorageDetail"), count(db, "InputForm"), count(db, "OutputForm"),
                    count(db, "InputDetail"), count(db, "OutputDetail"));
    }
    if (!QFile::rename(part, path)) {
        std::fprintf(stderr, "bench_bigshop: cannot rename %s\n", qPrintable(part));
        return 1;
    }
    std::printf("big shop: %s made in %.1f s (%.0f MiB)\n", qPrintable(path), t.elapsed() / 1000.0,
                QFileInfo(path).size() / 1048576.0);
    return 0;
}
