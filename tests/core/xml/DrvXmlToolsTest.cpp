// The element reader: cutting elements off a buffer (comments, balancing of same-name elements,
// failures that keep the buffer), splitting an element, and attribute look-ups with defaults.
#include "core/xml/DrvXmlTools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TTakeCase {
    std::string Buffer;
    std::string Element;   // expected element, empty when none
    std::string Remainder; // expected buffer afterwards
};

const TTakeCase TakeCases[] = {
    {"<a/>", "<a/>", ""},
    {" \t\r\n<a/>\r\n tail ", "<a/>", "tail"},
    {"<a>1</a><a>2</a>", "<a>1</a>", "<a>2</a>"},
    // A self-closing inner element of the same name is not an opening.
    {"<a><a>1</a><b/><a x=\"2\"/></a>rest", "<a><a>1</a><b/><a x=\"2\"/></a>", "rest"},
    {"<a x=\"1\"><a y=\"2\">i</a><a>j</a></a>z", "<a x=\"1\"><a y=\"2\">i</a><a>j</a></a>", "z"},
    {"<a><a>1</a></a><a>2</a>", "<a><a>1</a></a>", "<a>2</a>"},
    // Longer names that start with the same letters are other elements.
    {"<a><ab>x</ab><a-b></a-b></a>", "<a><ab>x</ab><a-b></a-b></a>", ""},
    {"<!-- c --><a>1</a>", "<a>1</a>", ""},
    {"<!-- c -->\r\n <!--d--> <a>1</a> x", "<a>1</a>", "x"},
    {"<a>1</a> <!-- after -->", "<a>1</a>", "<!-- after -->"},
    {"   <!-- only a comment -->  ", "", ""},
    // A comment inside an element stays part of it.
    {"<a><!-- c --></a>", "<a><!-- c --></a>", ""},
    // Taken, although ParseElement later refuses it.
    {"<a x=\"1>2\">c</a>", "<a x=\"1>2\">c</a>", ""},
    // A tab is not a separator: the name runs to the '>'.
    {"<a\tx=\"1\"/>", "<a\tx=\"1\"/>", ""},
    // No element: the buffer keeps its text, trimmed and without leading complete comments.
    {"<!-- c <a>1</a>", "", "<!-- c <a>1</a>"},
    {"<a>1</A>", "", "<a>1</A>"},
    {"<a>", "", "<a>"},
    {" <a><a></a> ", "", "<a><a></a>"},
    {"<!--c--> <a><a></a>", "", "<a><a></a>"},
    {"x<a/>", "", "x<a/>"},
    {"<a", "", "<a"},
    {"<>", "", "<>"},
    {"<></>", "", "<></>"},
    {"< a></a>", "", "< a></a>"},
    {"", "", ""},
};

TEST(TakeNextElement, Cases) {
    for (const auto& tc : TakeCases) {
        std::string buffer = tc.Buffer;
        std::string element = "stale";
        TakeNextElement(buffer, element);
        EXPECT_EQ(element, tc.Element) << "buffer: " << tc.Buffer;
        EXPECT_EQ(buffer, tc.Remainder) << "buffer: " << tc.Buffer;

        // The view form answers the same.
        std::string_view view = tc.Buffer;
        std::string_view taken = "stale";
        TakeNextElement(view, taken);
        EXPECT_EQ(taken, tc.Element) << "view of: " << tc.Buffer;
        EXPECT_EQ(view, tc.Remainder) << "view of: " << tc.Buffer;
    }
}

TEST(TakeNextElement, WalksChildrenUntilNoneRemains) {
    std::string content = "<b i=\"1\"/>\r\n  <!-- skip -->\r\n<c>x<c>y</c></c>\r\n<b i='2'></b>";
    std::vector<std::string> names;
    std::string element;
    for (;;) {
        TakeNextElement(content, element);
        if (element.empty()) {
            break;
        }
        TXMLDataItem item;
        ASSERT_TRUE(item.Parse(element)) << element;
        names.push_back(item.Name + ":" + item.GetAttribute("i", "-") + ":" + item.Content);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"b:1:", "c:-:x<c>y</c>", "b:2:"}));
    EXPECT_EQ(content, "");
}

struct TParseCase {
    std::string Text;
    bool Ok;
    std::string Name;
    std::vector<std::string> Attributes;
    std::string Content;
};

const TParseCase ParseCases[] = {
    {"<a/>", true, "a", {}, ""},
    {"<dev name=\"x\" id='5'/>", true, "dev", {"name=\"x\"", "id=\"5\""}, ""},
    {" <a>  1 2\r\n</a> ", true, "a", {}, "1 2"},
    {"<a></a>", true, "a", {}, ""},
    {"<a x=\"1\" y='q\"r' z=\"p'= s\">  body <b/> </a>",
     true,
     "a",
     {"x=\"1\"", "y=\"q\"r\"", "z=\"p'= s\""},
     "body <b/>"},
    {"<a  x = ' v ' />", true, "a", {"x=\" v \""}, ""},
    {"<a junk/>", true, "a", {}, ""},
    {"<a x=\"1\" junk/>", true, "a", {"x=\"1\""}, ""},
    {"<a\tx=\"1\"/>", true, "a\tx=\"1\"", {}, ""},
    {"<a>&lt;</a>", true, "a", {}, "&lt;"}, // entities pass through
    // The first '>' ends the attribute part.
    {"<a x=\"1>2\">c</a>", false, "a", {}, ""},
    {"<a x=1/>", false, "a", {}, ""},
    {"<a x=\"1\" y=2>c</a>", false, "a", {"x=\"1\""}, ""}, // lines before the failure stay
    {"<a x=\"1\" =\"2\"/>", false, "a", {"x=\"1\""}, ""},
    {"<a x=/>", false, "a", {}, ""},
    {"<a x=\"1/>", false, "a", {}, ""},
    {"<a>1</A>", false, "a", {}, ""},
    {"<a>", false, "a", {}, ""},
    {"<a>1</a>x", false, "", {}, ""},
    {"a>1</a>", false, "", {}, ""},
    {"<>", false, "", {}, ""},
    {"", false, "", {}, ""},
};

TEST(ParseElement, Cases) {
    for (const auto& tc : ParseCases) {
        TAttributeLines attributes{"stale=\"1\""};
        std::string name = "stale";
        std::string content = "stale";
        EXPECT_EQ(ParseElement(tc.Text, attributes, name, content), tc.Ok) << tc.Text;
        EXPECT_EQ(name, tc.Name) << tc.Text;
        EXPECT_EQ(attributes, tc.Attributes) << tc.Text;
        EXPECT_EQ(content, tc.Content) << tc.Text;
    }
}

TEST(ParseAttributes, AppendsToTheList) {
    struct TCase {
        std::string Text;
        bool Ok;
        std::vector<std::string> Added;
    };
    const TCase cases[] = {
        {"", true, {}},
        {"  \t ", true, {}},
        {"left over", true, {}},
        {"a='1' b = \"2\"   trailing", true, {"a=\"1\"", "b=\"2\""}},
        {"a='x\"y' b=\"=\"", true, {"a=\"x\"y\"", "b=\"=\""}},
        {"=\"1\"", false, {}},
        {"a=", false, {}},
        {"a=\"1\" b=`2`", false, {"a=\"1\""}},
    };
    for (const auto& tc : cases) {
        TAttributeLines lines{"kept=\"0\""};
        EXPECT_EQ(ParseAttributes(tc.Text, lines), tc.Ok) << tc.Text;
        std::vector<std::string> expected{"kept=\"0\""};
        expected.insert(expected.end(), tc.Added.begin(), tc.Added.end());
        EXPECT_EQ(lines, expected) << tc.Text;
    }
}

TEST(IsSelfClosingAt, Cases) {
    struct TCase {
        std::string Text;
        size_t Offset;
        bool Expected;
    };
    const TCase cases[] = {
        {"<a/>", 0, true},  {"<a/>", 3, true},      {"<a/>", 4, false},
        {"<a>", 0, false},  {"<a x/><b>", 3, true}, {"<a x/><b>", 6, false},
        {"<a x", 0, false}, {"", 0, false},         {"<a x='>'/>", 0, false},
    };
    for (const auto& tc : cases) {
        EXPECT_EQ(IsSelfClosingAt(tc.Text, tc.Offset), tc.Expected)
            << tc.Text << " at " << tc.Offset;
    }
}

TEST(XMLDataItem, ParseOfBlankTextSucceedsEmptyAndClearsTheOldFields) {
    TXMLDataItem item;
    ASSERT_TRUE(item.Parse("<x a=\"1\">c</x>"));
    for (const char* text : {"", " \t\r\n "}) {
        ASSERT_TRUE(item.Parse("<x a=\"1\">c</x>"));
        EXPECT_TRUE(item.Parse(text));
        EXPECT_EQ(item.Name, "");
        EXPECT_TRUE(item.Attributes.empty());
        EXPECT_EQ(item.Content, "");
    }
    EXPECT_FALSE(item.Parse("<x>"));
}

TEST(XMLDataItem, GetAttributeTakesTheFirstExactName) {
    TXMLDataItem item;
    ASSERT_TRUE(item.Parse("<d nam=\"n\" name=\"first\" Name=\"upper\" name=\"second\" e=''/>"));
    EXPECT_EQ(item.GetAttribute("name", "dflt"), "first");
    EXPECT_EQ(item.GetAttribute("Name", "dflt"), "upper");
    EXPECT_EQ(item.GetAttribute("na", "dflt"), "dflt");
    EXPECT_EQ(item.GetAttribute("NAME", "dflt"), "dflt");
    EXPECT_EQ(item.GetAttribute("e", "dflt"), "");
    std::string value = "x";
    item.GetAttribute("missing", "dflt", value);
    EXPECT_EQ(value, "dflt");
    // A line that does not have the quoted form gives no value.
    item.Attributes = {"k=x", "k=\"", "k=\"v\""};
    EXPECT_EQ(item.GetAttribute("k", "dflt"), "v");
}

TEST(XMLDataItem, GetAttributeInt) {
    struct TCase {
        const char* Element;
        int32_t Default;
        int32_t Expected;
    };
    const TCase cases[] = {
        {"<a/>", 42, 42},
        {"<a v=\"12a\"/>", 42, 42},
        {"<a v=\"\"/>", 42, 42},
        {"<a v=\"UNISED\"/>", 42, 42},
        {"<a v=\"-7\"/>", 42, -7},
        {"<a v=\"+8\"/>", 42, 8},
        {"<a v=\"2147483647\"/>", 0, 2147483647},
        {"<a v=\"-2147483648\"/>", 0, INT32_MIN},
        {"<a v=\"2147483648\"/>", 5, 5},
        {"<a v=\"1.5\"/>", 5, 5},
    };
    for (const auto& tc : cases) {
        TXMLDataItem item;
        ASSERT_TRUE(item.Parse(tc.Element)) << tc.Element;
        EXPECT_EQ(item.GetAttributeInt("v", tc.Default), tc.Expected) << tc.Element;
    }
}

TEST(XMLDataItem, GetAttributeBool) {
    struct TCase {
        const char* Value; // nullptr: attribute missing
        bool Expected;     // with default false
        bool ExpectedDefaultTrue;
    };
    const TCase cases[] = {
        {nullptr, false, true}, {"1", true, true},       {"-1", true, true},
        {"true", true, true},   {"TRUE", true, true},    {"tRuE", true, true},
        {"0", false, false},    {"false", false, false}, {"False", false, false},
        {"0.0", false, false},  {"2.5", true, true},     {"yes", false, true},
        {"", false, true},
    };
    for (const auto& tc : cases) {
        TXMLDataItem item;
        const std::string text =
            tc.Value == nullptr ? "<a/>" : std::string("<a v=\"") + tc.Value + "\"/>";
        ASSERT_TRUE(item.Parse(text)) << text;
        EXPECT_EQ(item.GetAttributeBool("v", false), tc.Expected) << text;
        EXPECT_EQ(item.GetAttributeBool("v", true), tc.ExpectedDefaultTrue) << text;
    }
}

// Deep nesting of one name is balanced in one forward pass: with no "<a>" in the text, an
// implementation that searched the rest again for every opening would scan gigabytes here.
TEST(TakeNextElement, DeepSameNameNestingIsBalanced) {
    const int depth = 20000;
    std::string text;
    for (int i = 0; i < depth; ++i) {
        text += "<a x='1'>";
    }
    text += "<a x/>";
    for (int i = 0; i < depth; ++i) {
        text += "</a>";
    }
    const std::string whole = text;
    std::string element;
    TakeNextElement(text, element);
    EXPECT_EQ(element, whole);
    EXPECT_EQ(text, "");
}

} // namespace
