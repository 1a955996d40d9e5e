// The request configuration loader: its rejections with their exact texts, a complete file read
// back into the model, comments where the notation allows them, partial loads, and the
// working copies that keep one poll's values away from the shared configuration.
#include "core/snmpproto/DrvSnmpRequest.h"

#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Wraps device type elements into a root element.
std::string Root(const std::string& content) {
    return "<snmp_dlm_driver>" + content + "</snmp_dlm_driver>";
}

// Wraps request elements into a device type "a" inside a root element.
std::string Device(const std::string& content) {
    return Root("<snmp_device device_name=\"a\">" + content + "</snmp_device>");
}

struct TLoadCase {
    const char* What;
    std::string Text;
    std::string Error;   // expected error text, empty for success
    int32_t DeviceTypes; // device types kept afterwards
};

const std::string XmlDeclaration = "<?xml version=\"1.0\"?>\r\n<snmp_dlm_driver/>";
const std::string TwoRoots = "<snmp_dlm_driver/>\n<snmp_dlm_driver/>";
const std::string CommentAfterRoot = "<snmp_dlm_driver/>\n<!-- the end -->";
const std::string Unbalanced = "<snmp_dlm_driver><snmp_dlm_driver></snmp_dlm_driver>";

const TLoadCase LoadCases[] = {
    {"empty root", "<snmp_dlm_driver/>", "", 0},
    {"blank root with blanks around", "\r\n\t <snmp_dlm_driver>  </snmp_dlm_driver> \r\n", "", 0},
    {"root name in another case", "<SNMP_DLM_Driver/>", "", 0},
    {"empty file", "", "XML error: snmp_dlm_driver expected: ", 0},
    {"only a comment", "<!-- nothing -->", "XML error: snmp_dlm_driver expected: ", 0},
    {"XML declaration", XmlDeclaration, "XML error: " + XmlDeclaration, 0},
    {"two roots", TwoRoots, "XML error: " + TwoRoots, 0},
    {"comment after the root", CommentAfterRoot, "XML error: " + CommentAfterRoot, 0},
    {"root is no element", "snmp_dlm_driver", "XML error: snmp_dlm_driver", 0},
    {"root unbalanced", Unbalanced, "XML error: " + Unbalanced, 0},
    {"root malformed", "<snmp_dlm_driver x=1></snmp_dlm_driver>",
     "XML error: <snmp_dlm_driver x=1></snmp_dlm_driver>", 0},
    {"root name wrong", "<snmp_driver/>", "XML error: snmp_dlm_driver expected: <snmp_driver/>", 0},
    {"device type malformed", Root("<snmp_device device_name=a/>"),
     "XML error: <snmp_device device_name=a/>", 0},
    {"device type name wrong", Root("<device device_name=\"a\"/>"),
     "snmp_device expected: <device device_name=\"a\"/>", 0},
    {"device_name with capitals", Root("<snmp_device Device_Name=\"a\"/>"),
     "device_name expected: <snmp_device Device_Name=\"a\"/>", 0},
    {"device_name empty", Root("<snmp_device device_name=''></snmp_device>"),
     "device_name expected: <snmp_device device_name=''></snmp_device>", 0},
    {"text between device types",
     Root("<snmp_device device_name=\"a\"/> junk <snmp_device device_name=\"b\"/>"),
     "XML error: junk <snmp_device device_name=\"b\"/>", 1},
    {"comment without end in the root",
     Root("<snmp_device device_name=\"a\"/><!-- open <snmp_device device_name=\"b\"/>"),
     "XML error: <!-- open <snmp_device device_name=\"b\"/>", 1},
    {"request malformed", Device("<snmp_request type=normal/>"),
     "XML error: <snmp_request type=normal/>", 0},
    {"request name wrong", Device("<request/>"), "XML: not SNMP request: <request/>", 0},
    {"request type unknown", Device("<snmp_request type=\"walk\"/>"),
     "Unknown request type: <snmp_request type=\"walk\"/>", 0},
    {"request type empty", Device("<snmp_request type=\"\"/>"),
     "Unknown request type: <snmp_request type=\"\"/>", 0},
    {"request type with blanks", Device("<snmp_request type=\" normal\"/>"),
     "Unknown request type: <snmp_request type=\" normal\"/>", 0},
    {"text between requests", Device("<snmp_request/> junk"), "XML error: junk", 0},
    {"variable malformed", Device("<snmp_request><item oid=1.3/></snmp_request>"),
     "XML error: <item oid=1.3/>", 0},
    {"text after the variables",
     Device("<snmp_request><item oid=\"1.3\"/> 7 <item/></snmp_request>"), "XML error: 7 <item/>",
     0},
    {"variable unbalanced", Device("<snmp_request><item></snmp_request>"), "XML error: <item>", 0},
};

TEST(RequestConfigurationLoad, RejectionsAndTheirTexts) {
    for (const TLoadCase& c : LoadCases) {
        TSNMPDeviceList list;
        std::string error = "stale";
        const bool loaded = list.LoadFromText(c.Text, error);
        EXPECT_EQ(loaded, c.Error.empty()) << c.What;
        EXPECT_EQ(error, c.Error) << c.What;
        EXPECT_EQ(list.LoadError, c.Error) << c.What;
        EXPECT_EQ(list.Count(), c.DeviceTypes) << c.What;
    }
}

// Everything the notation allows in one file: comments before the root and before or after
// any child, every request kind, variables of any element name, defaults, leading dots.
const char FullFile[] = R"(<!-- Plinvar request configuration -->
<!-- second comment before the root -->
<SNMP_DLM_Driver>
  <!-- before the first device type -->
  <snmp_device device_name="UPS">
    <!-- before the first request -->
    <snmp_request type="normal">
      <!-- before the first variable -->
      <item name="uptime" oid=".1.3.6.1.2.1.1.3.0" vx_address="1" defvalue="-1"
            expression="%VALUE%*0.01"/>
      <!-- between variables -->
      <oid name='services' oid='1.3.6.1.2.1.1.7.0' vx_address='2'/>
      <x oid="1.3.6.1.4.1.8072.9999.1.0" vx_address="abc">ignored content</x>
      <!-- after the last variable -->
    </snmp_request>
    <snmp_request type="Values_Table" oid_counter=".1.3.6.1.2.1.2.1.0">
      <row name="count" oid="1.3.6.1.2.1.2.2.1.5.%d" vx_address="10" expression="%value%/1000"/>
      <row oid=".1.3.6.1.2.1.2.2.1.5.%d" vx_address="11" defvalue="7"/>
    </snmp_request>
    <snmp_request type="OIDS_TABLE" oid_counter="1.3.6.1.2.1.2.1.0"
                  oid_mask=".1.3.6.1.2.1.2.2.1.2.%d">
      <v oid=".1.3.6.1.2.1.2.2.1.1.1" vx_address="20"/>
    </snmp_request>
    <!-- after the last request -->
  </snmp_device>
  <snmp_device device_name="empty"/>
  <snmp_device device_name="ups"><snmp_request/></snmp_device>
  <!-- after the last device type -->
</SNMP_DLM_Driver>
)";

TEST(RequestConfigurationLoad, FullFileReadsBackIntoTheModel) {
    TSNMPDeviceList list;
    std::string error = "stale";
    ASSERT_TRUE(list.LoadFromText(FullFile, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(list.LoadError, "");
    ASSERT_EQ(list.Count(), 3);

    const TSNMPDeviceUnit& ups = *list.Item(0);
    EXPECT_EQ(ups.DeviceName, "UPS");
    ASSERT_EQ(ups.Requests.Count(), 3);

    const TSNMPRequestItem& normal = *ups.Requests.Item(0);
    EXPECT_EQ(normal.Kind, TSNMPRequestItem::KindNormal);
    EXPECT_EQ(normal.OidCounter, "");
    EXPECT_EQ(normal.OidMask, "");
    ASSERT_EQ(normal.Items.Count(), 3);
    struct TVariable {
        const char* Name;
        const char* Oid;
        int32_t TsAddress;
        const char* DefValue;
        const char* Expression;
    };
    const TVariable expected[] = {
        {"uptime", "1.3.6.1.2.1.1.3.0", 1, "-1", "%VALUE%*0.01"},
        {"services", "1.3.6.1.2.1.1.7.0", 2, "0", ""},
        {"", "1.3.6.1.4.1.8072.9999.1.0", -1, "0", ""},
    };
    for (int32_t i = 0; i < 3; ++i) {
        const TRequestItemStruct& v = *normal.Items.Item(i);
        EXPECT_EQ(v.Name, expected[i].Name) << i;
        EXPECT_EQ(v.Oid, expected[i].Oid) << i;
        EXPECT_EQ(v.TsAddress, expected[i].TsAddress) << i;
        EXPECT_EQ(v.DefValue, expected[i].DefValue) << i;
        EXPECT_EQ(v.Expression, expected[i].Expression) << i;
        EXPECT_EQ(v.CurrentValue, "") << i;
    }

    const TSNMPRequestItem& values = *ups.Requests.Item(1);
    EXPECT_EQ(values.Kind, TSNMPRequestItem::KindValuesTable);
    EXPECT_EQ(values.OidCounter, "1.3.6.1.2.1.2.1.0");
    ASSERT_EQ(values.Items.Count(), 2);
    EXPECT_EQ(values.Items.Item(0)->Oid, "1.3.6.1.2.1.2.2.1.5.%d");
    EXPECT_EQ(values.Items.Item(0)->Expression, "%value%/1000");
    EXPECT_EQ(values.Items.Item(1)->Oid, "1.3.6.1.2.1.2.2.1.5.%d");
    EXPECT_EQ(values.Items.Item(1)->DefValue, "7");

    const TSNMPRequestItem& oids = *ups.Requests.Item(2);
    EXPECT_EQ(oids.Kind, TSNMPRequestItem::KindOidsTable);
    EXPECT_EQ(oids.OidCounter, "1.3.6.1.2.1.2.1.0");
    EXPECT_EQ(oids.OidMask, "1.3.6.1.2.1.2.2.1.2.%d");
    ASSERT_EQ(oids.Items.Count(), 1);
    EXPECT_EQ(oids.Items.Item(0)->Oid, "1.3.6.1.2.1.2.2.1.1.1");

    EXPECT_EQ(list.Item(1)->DeviceName, "empty");
    EXPECT_EQ(list.Item(1)->Requests.Count(), 0);
    ASSERT_EQ(list.Item(2)->Requests.Count(), 1);
    EXPECT_EQ(list.Item(2)->Requests.Item(0)->Kind, TSNMPRequestItem::KindNormal);
    EXPECT_EQ(list.Item(2)->Requests.Item(0)->Items.Count(), 0);

    // The first of two device types with one name (in any ASCII case) is the one found.
    EXPECT_EQ(list.FindDeviceType("ups"), list.Item(0));
    EXPECT_EQ(list.FindDeviceType("UPS"), list.Item(0));
    EXPECT_EQ(list.FindDeviceType("Empty"), list.Item(1));
    EXPECT_EQ(list.FindDeviceType("default"), nullptr);
    EXPECT_EQ(list.FindDeviceType(""), nullptr);
}

TEST(RequestConfigurationLoad, StopsAtTheFirstBadDeviceTypeKeepingThoseBefore) {
    const std::string text =
        Root("<snmp_device device_name=\"first\"><snmp_request><v oid=\"1.3\"/></snmp_request>"
             "</snmp_device>"
             "<snmp_device device_name=\"second\"><snmp_request/><snmp_request type=\"bulk\"/>"
             "</snmp_device>"
             "<snmp_device device_name=\"third\"/>");
    TSNMPDeviceList list;
    std::string error;
    EXPECT_FALSE(list.LoadFromText(text, error));
    EXPECT_EQ(error, "Unknown request type: <snmp_request type=\"bulk\"/>");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(0)->DeviceName, "first");
    EXPECT_EQ(list.Item(0)->Requests.Item(0)->Items.Count(), 1);
    EXPECT_EQ(list.FindDeviceType("second"), nullptr);
    EXPECT_EQ(list.FindDeviceType("third"), nullptr);

    // A second load appends to what is there and reports its own result.
    EXPECT_TRUE(list.LoadFromText(Root("<snmp_device device_name=\"third\"/>"), error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(list.LoadError, "");
    EXPECT_EQ(list.Count(), 2);
}

TEST(RequestConfigurationLoad, VariableDefaultsAndOddValues) {
    const std::string text = Device("<snmp_request>"
                                    "<oid/>"
                                    "<x vx_address=\"abc\" defvalue=\"\"/>"
                                    "<y vx_address=\" -7 \" oid=\"..1\"/>"
                                    "<z vx_address=\"99999999999\" oid=\".\"/>"
                                    "</snmp_request>");
    TSNMPDeviceList list;
    std::string error;
    ASSERT_TRUE(list.LoadFromText(text, error)) << error;
    const TRequestItemsList& items = list.Item(0)->Requests.Item(0)->Items;
    ASSERT_EQ(items.Count(), 4);
    EXPECT_EQ(items.Item(0)->DefValue, "0");
    EXPECT_EQ(items.Item(0)->TsAddress, -1);
    EXPECT_EQ(items.Item(0)->Oid, "");
    EXPECT_EQ(items.Item(1)->TsAddress, -1);
    EXPECT_EQ(items.Item(1)->DefValue, ""); // written empty: stays empty
    EXPECT_EQ(items.Item(2)->TsAddress, -7);
    EXPECT_EQ(items.Item(2)->Oid, ".1"); // only one leading dot is dropped
    EXPECT_EQ(items.Item(3)->TsAddress, -1);
    EXPECT_EQ(items.Item(3)->Oid, "");
}

TEST(RequestConfigurationLoad, DeviceNamesKeepTheirCodePageBytes) {
    const std::string name = platform::Utf8ToAnsi("Шкаф ИБП");
    TSNMPDeviceList list;
    std::string error;
    ASSERT_TRUE(list.LoadFromText(Root("<snmp_device device_name=\"" + name + "\"/>"), error));
    EXPECT_EQ(list.Item(0)->DeviceName, name);
    EXPECT_EQ(list.FindDeviceType(name), list.Item(0));
    // Only ASCII letters are matched without regard to case.
    EXPECT_EQ(list.FindDeviceType(platform::AnsiUpperCase(name)), nullptr);
}

TEST(RequestItems, FindByOidTakesTheFirstMatchIgnoringAsciiCase) {
    TRequestItemsList items;
    std::string error;
    ASSERT_TRUE(items.LoadFromXml("<a oid=\"1.3.6.1.X\" name=\"one\"/><b oid=\"1.3.6.1.x\" "
                                  "name=\"two\"/><c oid=\"1.3.6.2\" name=\"three\"/>",
                                  error));
    ASSERT_NE(items.FindByOid("1.3.6.1.x"), nullptr);
    EXPECT_EQ(items.FindByOid("1.3.6.1.x")->Name, "one");
    EXPECT_EQ(items.FindByOid("1.3.6.2")->Name, "three");
    EXPECT_EQ(items.FindByOid("1.3.6"), nullptr);
    EXPECT_EQ(items.FindByOid(""), nullptr);
}

// The shared configuration is never written by a poll: each poll copies its request.
TEST(RequestWorkingCopy, ValuesOfOnePollStayInItsCopy) {
    TSNMPDeviceList loaded;
    std::string error;
    ASSERT_TRUE(loaded.LoadFromText(FullFile, error)) << error;
    const TSNMPDeviceList& shared = loaded;
    const TSNMPRequestItem& request = *shared.FindDeviceType("ups")->Requests.Item(0);

    TSNMPRequestItem first(request);
    TSNMPRequestItem second(request);
    first.ResetValues();
    EXPECT_EQ(first.Items.Item(0)->CurrentValue, "-1");
    EXPECT_EQ(first.Items.Item(1)->CurrentValue, "0");
    first.Items.Item(0)->CurrentValue = "12345";
    first.Items.FindByOid("1.3.6.1.2.1.1.7.0")->CurrentValue = "72";

    EXPECT_EQ(second.Items.Item(0)->CurrentValue, "");
    EXPECT_EQ(request.Items.Item(0)->CurrentValue, "");
    EXPECT_EQ(request.Items.Item(1)->CurrentValue, "");
    second.ResetValues();
    EXPECT_EQ(second.Items.Item(0)->CurrentValue, "-1");
    EXPECT_EQ(first.Items.Item(0)->CurrentValue, "12345");
    EXPECT_EQ(first.Items.Item(1)->CurrentValue, "72");

    // The copy carries the whole request, not a view of it.
    ASSERT_EQ(first.Items.Count(), request.Items.Count());
    for (int32_t i = 0; i < request.Items.Count(); ++i) {
        EXPECT_NE(first.Items.Item(i), request.Items.Item(i));
        EXPECT_EQ(first.Items.Item(i)->Oid, request.Items.Item(i)->Oid);
        EXPECT_EQ(first.Items.Item(i)->Expression, request.Items.Item(i)->Expression);
    }
    EXPECT_EQ(first.Kind, request.Kind);
    const TSNMPRequestItem table(*shared.Item(0)->Requests.Item(2));
    EXPECT_EQ(table.OidMask, "1.3.6.1.2.1.2.2.1.2.%d");
    EXPECT_EQ(table.OidCounter, "1.3.6.1.2.1.2.1.0");
}

} // namespace
