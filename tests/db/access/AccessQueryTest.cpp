#include "db/access/AccessSamples.h"
#include "db/cells/FileSourceFixture.h"

namespace kiv::db::testing {
namespace {

// Saved queries of the sample databases read by name, the way a step reads a view.
class AccessQuery : public FileSourceFixture {
protected:
    std::string count(const std::string& query) {
        return rows("SELECT COUNT(*) FROM [" + query + "]").at(0).at(0);
    }

    std::vector<std::string> names(const std::string& query) {
        std::vector<std::string> result;
        const std::shared_ptr<Recordset> recordset = this->query("SELECT * FROM [" + query + "]");
        for (const auto& field : recordset->Fields()) {
            result.push_back(field->Name());
        }
        return result;
    }

    std::string refusalOf(const std::string& query) {
        return errorOf([&] { rows("SELECT * FROM [" + query + "]"); }).Description();
    }
};

TEST_F(AccessQuery, SelectQueriesWithJoinsSortingAndTop) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(rows("SELECT * FROM [Ten Most Expensive Products]"),
              (Rows{{"C\xC3\xB4te de Blaye", "263.5"},
                    {"Th\xC3\xBCringer Rostbratwurst", "123.79"},
                    {"Mishi Kobe Niku", "97"},
                    {"Sir Rodney's Marmalade", "81"},
                    {"Carnarvon Tigers", "62.5"},
                    {"Raclette Courdavault", "55"},
                    {"Manjimup Dried Apples", "53"},
                    {"Tarte au sucre", "49.3"},
                    {"Ipoh Coffee", "46"},
                    {"R\xC3\xB6ssle Sauerkraut", "45.6"}}));
    EXPECT_EQ(names("Ten Most Expensive Products"),
              (std::vector<std::string>{"TenMostExpensiveProducts", "UnitPrice"}));
    // An alias of a table, Discontinued = No (Alice Mutton is), sorted by name.
    EXPECT_EQ(count("Current Product List"), "69");
    EXPECT_EQ(rows("SELECT * FROM [Current Product List] LIMIT 2"),
              (Rows{{"3", "Aniseed Syrup"}, {"40", "Boston Crab Meat"}}));
    // Six tables joined; two columns of the same name are named by their tables.
    EXPECT_EQ(count("Invoices"), "2155");
    const std::vector<std::string> invoice = names("Invoices");
    EXPECT_EQ(invoice.at(7), "Customers.CompanyName");
    EXPECT_EQ(invoice.at(13), "Salesperson");
    EXPECT_EQ(invoice.at(18), "Shippers.CompanyName");
    EXPECT_EQ(rows("SELECT Salesperson, [Shippers.CompanyName], ExtendedPrice FROM Invoices "
                   "WHERE OrderID = 10248 ORDER BY ProductID"),
              (Rows{{"Steven Buchanan", "Federal Shipping", "168"},
                    {"Steven Buchanan", "Federal Shipping", "98"},
                    {"Steven Buchanan", "Federal Shipping", "174"}}));
    // A subquery in the condition.
    EXPECT_EQ(count("Products Above Average Price"), "25");
}

TEST_F(AccessQuery, QueriesBuiltOnQueriesAndTotals) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(count("Order Subtotals"), "830");
    EXPECT_EQ(rows("SELECT Subtotal FROM [Order Subtotals] WHERE OrderID = 10248"),
              (Rows{{"440"}}));
    // Computed as Access computes: with the Single value of a discount of 0.25 or 0.05 and
    // CCur rounding the Double it is given, 35.1 * 15 * 0.75 / 100 = 3.9487 (not 3.9488).
    EXPECT_EQ(rows("SELECT OrderID, Subtotal FROM [Order Subtotals] "
                   "WHERE OrderID IN (10284, 10429, 10616) ORDER BY OrderID"),
              (Rows{{"10284", "1170.37"}, {"10429", "1441.37"}, {"10616", "4806.99"}}));
    EXPECT_EQ(count("Summary of Sales by Year"), "809");
    // Sales for 1995 by category, over the sales by product, over the orders of 1995.
    EXPECT_EQ(count("Category Sales for 1995"), "8");
    EXPECT_EQ(names("Category Sales for 1995"),
              (std::vector<std::string>{"CategoryName", "CategorySales"}));
    EXPECT_EQ(rows("SELECT COUNT(*), MIN(SaleAmount) > 2500 FROM [Sales Totals by Amount]"),
              (Rows{{"61", "1"}}));
}

TEST_F(AccessQuery, DistinctRowCrosstabAndUnion) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    // The customers of the orders of 1995, each once.
    EXPECT_EQ(count("Quarterly Orders"), "84");
    EXPECT_EQ(names("Quarterly Orders by Product"),
              (std::vector<std::string>{"ProductName", "CustomerID", "OrderYear", "Qtr 1", "Qtr 2",
                                        "Qtr 3", "Qtr 4"}));
    EXPECT_EQ(rows("SELECT * FROM [Quarterly Orders by Product] LIMIT 1"),
              (Rows{{"Alice Mutton", "ANTON", "1995", "NULL", "NULL", "702", "NULL"}}));
    EXPECT_EQ(count("Quarterly Orders by Product"), "914");
    EXPECT_EQ(count("Customers and Suppliers by City"), "120");
    EXPECT_EQ(rows("SELECT * FROM [Customers and Suppliers by City] LIMIT 2"),
              (Rows{{"Aachen", "Drachenblut Delikatessen", "Sven Ottlieb", "Customers"},
                    {"Albuquerque", "Rattlesnake Canyon Grocery", "Paula Wilson", "Customers"}}));
}

TEST_F(AccessQuery, QueriesThatCannotBeReadSayWhy) {
    KIV_NEED_ACCESS_SAMPLE("nwind.mdb");
    open(accessSample("nwind.mdb"));
    EXPECT_EQ(refusalOf("Invoices Filter"),
              "[Kiv][Access]The query Invoices Filter of the Access database cannot be opened as "
              "data: it uses the reference Forms!Orders!OrderID (to a form or another object "
              "outside the query), which has no translation from Access SQL here.");
    EXPECT_EQ(refusalOf("Employee Sales by Country"),
              "[Kiv][Access]The query Employee Sales by Country of the Access database cannot be "
              "opened as data: it asks for the parameters Beginning Date, Ending Date, which "
              "cannot be given here.");
    // Its views are listed as before: the queries that return rows.
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    EXPECT_EQ(catalog.Views().Count(), 20);
    EXPECT_EQ(catalog.Procedures().Count(), 2);
}

TEST_F(AccessQuery, QueriesOfAnAceDatabase) {
    KIV_NEED_ACCESS_SAMPLE("ASampleDatabase.accdb");
    open(accessSample("ASampleDatabase.accdb"));
    EXPECT_EQ(count("qryComputerHardwareInOwnerOrder"), "24");
    EXPECT_EQ(rows("SELECT * FROM qryCostsSummedByOwner LIMIT 2"),
              (Rows{{"Admin & Accounts", "Computer Hardware", "16332"},
                    {"Admin & Accounts", "General Equipment", "3744"}}));
    EXPECT_EQ(names("qryGSTCalculations"),
              (std::vector<std::string>{"Asset No", "Make", "Model", "Acquired", "Cost", "Ex Tax",
                                        "GST"}));
    // Forms and reports keep their record sources as hidden queries: SELECT DISTINCTROW *.
    EXPECT_EQ(count("~sq_ffrmAssetInventory"), "65");
    EXPECT_EQ(fields("SELECT [Asset No], Cost FROM [~sq_ffrmAssetInventory]"),
              (std::vector<std::string>{"Asset No 202 5", "Cost 6 8"}));
}

}  // namespace
}  // namespace kiv::db::testing
