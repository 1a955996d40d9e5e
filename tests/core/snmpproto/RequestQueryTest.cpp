// Requests turned into SNMP queries: the plain GET, the table size variable and the table rows
// built from templates, with the template rules that decide whether a row OID can be made.
#include "core/snmpproto/DrvSnmpRequest.h"
#include "core/snmpproto/OidTemplate.h"

#include "snmp/SnmpClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TTemplateCase {
    const char* Pattern;
    int32_t Value;
    bool Ok;
    const char* Out;
};

const TTemplateCase TemplateCases[] = {
    {"1.3.6.1.2.1.2.2.1.2.%d", 3, true, "1.3.6.1.2.1.2.2.1.2.3"},
    {"1.3.%d.1", 12, true, "1.3.12.1"},
    {"1.3.6.1.2.1.1.3.0", 5, true, "1.3.6.1.2.1.1.3.0"}, // no placeholder: the same OID
    {"1.3.%D", 4, true, "1.3.4"},
    {"1.%%.%d", 7, true, "1.%.7"},
    {"%0:d.%0:d", 7, true, "7.7"},
    {"1.%.3d", 5, true, "1.005"},
    {"%.3d", -5, true, "-005"},
    {"%d", -5, true, "-5"},
    {"%u", -1, true, "4294967295"},
    {"%x", 255, true, "FF"},
    {"%.4x", 10, true, "000A"},
    {"%3d|", 5, true, "  5|"},
    {"%-3d|", 5, true, "5  |"},
    {"%s", 1, false, ""},
    {"1.3.%f", 1, false, ""},
    {"1.3.%p", 1, false, ""},
    {"%d.%d", 1, false, ""},
    {"%1:d", 1, false, ""},
    {"%*d", 1, false, ""},
    {"1.3.%", 1, false, ""},
    {"1.3.%-", 1, false, ""},
    {"%999d", 1, false, ""},
    {"%.999d", 1, false, ""},
    {"%99999999999999999999d", 1, false, ""},
};

TEST(OidTemplate, FillsTheRowNumberOrRefuses) {
    for (const TTemplateCase& c : TemplateCases) {
        std::string out = "stale";
        EXPECT_EQ(FormatOidTemplate(c.Pattern, c.Value, out), c.Ok) << c.Pattern;
        if (c.Ok) {
            EXPECT_EQ(out, c.Out) << c.Pattern;
        }
    }
}

// A request loaded from the variable elements of one "snmp_request" element.
TSNMPRequestItem Request(const std::string& element) {
    TSNMPRequestItem request;
    std::string error;
    EXPECT_TRUE(request.LoadFromXml(element, error)) << error;
    return request;
}

struct TBind {
    std::string Oid;
    std::string Value;
};

std::vector<TBind> Binds(const snmp::TSnmpMessage& query) {
    std::vector<TBind> binds;
    for (const snmp::TVarBind& bind : query.Pdu.VarBinds) {
        EXPECT_EQ(bind.Type, snmp::TagNull) << bind.Oid;
        binds.push_back({bind.Oid, bind.Value});
    }
    return binds;
}

bool operator==(const TBind& a, const TBind& b) {
    return a.Oid == b.Oid && a.Value == b.Value;
}

void PrintTo(const TBind& bind, std::ostream* out) {
    *out << bind.Oid << "=" << bind.Value;
}

TEST(RequestQuery, GetAsksForEveryVariableInOrderWithNullValues) {
    const TSNMPRequestItem request =
        Request("<snmp_request><a oid=\".1.3.6.1.2.1.1.3.0\" defvalue=\"5\"/>"
                "<b oid=\"1.3.6.1.2.1.1.7.0\"/><c oid=\"1.3.6.1.2.1.1.5.0\"/></snmp_request>");
    snmp::TSnmpMessage query;
    EXPECT_TRUE(request.BuildGetRequest(query));
    const std::vector<TBind> expected = {
        {"1.3.6.1.2.1.1.3.0", "5"}, {"1.3.6.1.2.1.1.7.0", "0"}, {"1.3.6.1.2.1.1.5.0", "0"}};
    EXPECT_EQ(Binds(query), expected);
    // Not for tables, and no size variable for a plain request.
    EXPECT_FALSE(request.BuildSizeRequest(query));
    EXPECT_FALSE(request.BuildTableRequest(1, query));
    EXPECT_EQ(query.Pdu.VarBinds.size(), 3u);
}

TEST(RequestQuery, GetStopsAtAVariableWithoutOid) {
    const TSNMPRequestItem request =
        Request("<snmp_request><a oid=\"1.3.6.1.2.1.1.3.0\"/><b/><c oid=\"1.3.6.1.2.1.1.5.0\"/>"
                "</snmp_request>");
    snmp::TSnmpMessage query;
    EXPECT_FALSE(request.BuildGetRequest(query));
    ASSERT_EQ(query.Pdu.VarBinds.size(), 1u); // what was added before stays
    EXPECT_EQ(query.Pdu.VarBinds[0].Oid, "1.3.6.1.2.1.1.3.0");
}

TEST(RequestQuery, OidsTableAsksForTheSizeThenEveryRowOfTheColumn) {
    const TSNMPRequestItem request =
        Request("<snmp_request type=\"oids_table\" oid_counter=\".1.3.6.1.2.1.2.1.0\" "
                "oid_mask=\".1.3.6.1.2.1.2.2.1.2.%d\"><v oid=\"1.3.6.1.2.1.2.2.1.1.2\"/>"
                "</snmp_request>");
    snmp::TSnmpMessage query;
    EXPECT_FALSE(request.BuildGetRequest(query));
    EXPECT_TRUE(request.BuildSizeRequest(query));
    EXPECT_TRUE(request.BuildTableRequest(3, query));
    const std::vector<TBind> expected = {{"1.3.6.1.2.1.2.1.0", "0"},
                                         {"1.3.6.1.2.1.2.2.1.2.1", ""},
                                         {"1.3.6.1.2.1.2.2.1.2.2", ""},
                                         {"1.3.6.1.2.1.2.2.1.2.3", ""}};
    EXPECT_EQ(Binds(query), expected);
}

TEST(RequestQuery, ValuesTableRowsComeFromTheVariablesTemplates) {
    const TSNMPRequestItem request =
        Request("<snmp_request type=\"values_table\" oid_counter=\"1.3.6.1.2.1.2.1.0\">"
                "<a oid=\"1.3.6.1.2.1.2.2.1.5.%d\" defvalue=\"1\"/>"
                "<b oid=\"1.3.6.1.2.1.2.2.1.10.%d\" defvalue=\"2\"/></snmp_request>");
    snmp::TSnmpMessage query;
    EXPECT_TRUE(request.BuildSizeRequest(query));
    // Three rows but two variables: the third row has no variable and is not asked.
    EXPECT_TRUE(request.BuildTableRequest(3, query));
    const std::vector<TBind> expected = {{"1.3.6.1.2.1.2.1.0", "0"},
                                         {"1.3.6.1.2.1.2.2.1.5.1", "1"},
                                         {"1.3.6.1.2.1.2.2.1.10.2", "2"}};
    EXPECT_EQ(Binds(query), expected);
}

TEST(RequestQuery, TablesThatCannotBeBuilt) {
    struct TCase {
        const char* What;
        std::string Element;
        int32_t Rows;
        bool Size;  // BuildSizeRequest's answer
        bool Table; // BuildTableRequest's answer
    };
    const TCase cases[] = {
        {"oids_table without counter", "<snmp_request type=\"oids_table\" oid_mask=\"1.%d\"/>", 1,
         false, true},
        {"values_table without counter",
         "<snmp_request type=\"values_table\"><a oid=\"1.%d\"/>"
         "</snmp_request>",
         1, false, true},
        {"oids_table without mask", "<snmp_request type=\"oids_table\" oid_counter=\"1.1\"/>", 1,
         true, false},
        {"text placeholder",
         "<snmp_request type=\"oids_table\" oid_counter=\"1.1\" "
         "oid_mask=\"1.3.%s\"/>",
         2, true, false},
        {"variable without OID",
         "<snmp_request type=\"values_table\" oid_counter=\"1.1\">"
         "<a oid=\"1.%d\"/><b/></snmp_request>",
         2, true, false},
        {"no rows", "<snmp_request type=\"oids_table\" oid_counter=\"1.1\" oid_mask=\"1.%d\"/>", 0,
         true, false},
        {"negative rows",
         "<snmp_request type=\"oids_table\" oid_counter=\"1.1\" oid_mask=\"1.%d\"/>", -2, true,
         false},
        {"too many rows",
         "<snmp_request type=\"oids_table\" oid_counter=\"1.1\" oid_mask=\"1.%d\"/>",
         TSNMPRequestItem::MaxTableRows + 1, true, false},
        {"most rows", "<snmp_request type=\"oids_table\" oid_counter=\"1.1\" oid_mask=\"1.%d\"/>",
         TSNMPRequestItem::MaxTableRows, true, true},
        {"values_table rows from one fixed OID",
         "<snmp_request type=\"values_table\" oid_counter=\"1.1\"><a oid=\"1.3.1\"/>"
         "<b oid=\"1.3.1\"/></snmp_request>",
         2, true, true},
    };
    for (const TCase& c : cases) {
        const TSNMPRequestItem request = Request(c.Element);
        snmp::TSnmpMessage query;
        EXPECT_EQ(request.BuildSizeRequest(query), c.Size) << c.What;
        EXPECT_EQ(request.BuildTableRequest(c.Rows, query), c.Table) << c.What;
    }
}

TEST(RequestQuery, ResetValuesGivesEveryVariableItsDefault) {
    TSNMPRequestItem request =
        Request("<snmp_request><a oid=\"1.1\" defvalue=\"-3\"/><b oid=\"1.2\"/></snmp_request>");
    request.Items.Item(0)->CurrentValue = "left from the last poll";
    request.ResetValues();
    EXPECT_EQ(request.Items.Item(0)->CurrentValue, "-3");
    EXPECT_EQ(request.Items.Item(1)->CurrentValue, "0");
}

} // namespace
