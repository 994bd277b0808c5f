#include "startup/xml_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace startup::xml {
namespace {

std::string attr(const Document& d, uint32_t element, const std::string& name) {
  std::string_view v;
  return d.attribute(element, name, v) ? std::string(v) : std::string("<absent>");
}

TEST(XmlReader, ReadsElementsAttributesAndChildrenInOrder) {
  Document d;
  ASSERT_TRUE(parse("<a x='1' y=\"2\"><b/><c z='3'>text<d/></c><b/></a>", d));
  ASSERT_EQ(d.elements.size(), 5u);
  EXPECT_EQ(d.name(0), "a");
  EXPECT_EQ(d.elements[0].childCount, 3u);
  EXPECT_EQ(d.name(d.child(0, 0)), "b");
  EXPECT_EQ(d.name(d.child(0, 1)), "c");
  EXPECT_EQ(d.name(d.child(0, 2)), "b");
  EXPECT_EQ(d.elements[d.child(0, 1)].childCount, 1u);
  EXPECT_EQ(attr(d, 0, "x"), "1");
  EXPECT_EQ(attr(d, 0, "y"), "2");
  EXPECT_EQ(attr(d, d.child(0, 1), "z"), "3");
  EXPECT_EQ(attr(d, 0, "X"), "<absent>");
}

TEST(XmlReader, DecodesReferencesInAttributeValues) {
  Document d;
  ASSERT_TRUE(parse("<a v='&lt;&gt;&amp;&apos;&quot;' n='&#65;&#x42;&#x3c;' u='a&amp;lt;b'/>", d));
  EXPECT_EQ(attr(d, 0, "v"), "<>&'\"");
  EXPECT_EQ(attr(d, 0, "n"), "AB<");
  EXPECT_EQ(attr(d, 0, "u"), "a&lt;b");  // decoded once, never twice
}

TEST(XmlReader, CharacterReferencesAboveAsciiBecomeGbk) {
  Document d;
  ASSERT_TRUE(parse("<a v='&#20013;&#x6587;'/>", d));  // 中文
  EXPECT_EQ(attr(d, 0, "v"), "\xD6\xD0\xCE\xC4");
}

TEST(XmlReader, NormalisesLineEndsAndTabsInValuesToBlanks) {
  Document d;
  ASSERT_TRUE(parse("<a v='1\r\n2\n3\t4\r5' w='&#10;'/>", d));
  EXPECT_EQ(attr(d, 0, "v"), "1 2 3 4 5");
  EXPECT_EQ(attr(d, 0, "w"), "\n");  // a reference keeps the character it names
}

TEST(XmlReader, PassesGbkBytesThroughUntouched) {
  // 电信一区; 癩 is AE 5C (trail '\'), 乗 is 81 5C, and the pair 81 27 has a quote as its trail.
  std::string name = "\xB5\xE7\xD0\xC5\xD2\xBB\xC7\xF8\xB0\x5C\x81\x5C";
  Document d;
  ASSERT_TRUE(parse("<\xB8\xFC\xD0\xC2 name='" + name + "' q=\"\x81\x27\"/>", d));
  EXPECT_EQ(d.name(0), "\xB8\xFC\xD0\xC2");
  EXPECT_EQ(attr(d, 0, "name"), name);
  EXPECT_EQ(attr(d, 0, "q"), "\x81\x27");
}

TEST(XmlReader, TrailBytesAreNeverMarkup) {
  Document d;
  // In a comment, the pair 81 2D must not begin "-->", and in CDATA 81 5D must not begin "]]>".
  ASSERT_TRUE(parse("<a><!-- \x81-->x --><![CDATA[\x81]]>y]]><b/></a>", d));
  EXPECT_EQ(d.elements[0].childCount, 1u);
  // A lead byte right before the closing quote swallows it, so the value never ends.
  EXPECT_FALSE(parse("<a v='\x81'/>", d));
  EXPECT_FALSE(parse("<a v='x'>\x81", d));
}

TEST(XmlReader, SkipsDeclarationCommentsInstructionsCdataAndDoctype) {
  Document d;
  const char* text =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
      "<!-- a <comment> with <b/> inside -->\n"
      "<!DOCTYPE UpdateInfo [ <!ELEMENT UpdateInfo ANY> <!ATTLIST x y CDATA \"]>\"> <!-- ] > --> ]>\n"
      "<?style sheet?>\n"
      "<UpdateInfo><![CDATA[<ServerList><x/></ServerList>]]><?pi <x/> ?><!--<y/>--><real/></UpdateInfo>\n"
      "<!-- trailing --> <?end?>\n";
  ASSERT_TRUE(parse(text, d));
  EXPECT_EQ(d.name(0), "UpdateInfo");
  ASSERT_EQ(d.elements[0].childCount, 1u);
  EXPECT_EQ(d.name(d.child(0, 0)), "real");
}

TEST(XmlReader, RejectsMalformedDocumentsAndLeavesNothing) {
  const char* bad[] = {
      "",
      "   ",
      "not xml at all",
      "<html><body>404 Not Found</body>",       // truncated
      "<a></b>",                                // mismatched end tag
      "<a><b></a></b>",                         // crossed
      "<a/><b/>",                               // two roots
      "<a/>trailing text",
      "text before <a/>",
      "<a v=1/>",                               // unquoted value
      "<a v='1' v='2'/>",                       // repeated attribute
      "<a v='1'w='2'/>",                        // no blank between attributes
      "<a v='x<y'/>",                           // '<' in a value
      "<a v='&unknown;'/>",
      "<a v='&amp'/>",
      "<a v='&#0;'/>",
      "<a v='&#xD800;'/>",
      "<a v='&#x110000;'/>",
      "<a v='&#99999999999999999999;'/>",
      "<a>&bogus;</a>",
      "<a><!-- unclosed </a>",
      "<a><![CDATA[ unclosed </a>",
      "<a><? unclosed </a>",
      "<!DOCTYPE a [ <!ELEMENT a ANY> <a/>",
      "<!DOCTYPE a><!DOCTYPE a><a/>",
      "<1a/>",
      "<a",
      "<a x",
      "<a x=",
      "<a x='",
      "<a/",
      "</a>",
      "<a></a",
  };
  for (const char* text : bad) {
    Document d;
    ASSERT_TRUE(parse("<ok a='1'><c/></ok>", d));
    EXPECT_FALSE(parse(text, d)) << text;
    EXPECT_TRUE(d.empty()) << text;
    EXPECT_TRUE(d.text.empty() && d.attributes.empty() && d.children.empty()) << text;
  }
}

TEST(XmlReader, SurvivesDeepNestingManyEntriesAndHugeValues) {
  std::string deep;
  for (size_t i = 0; i < kMaxElements; ++i) deep += "<n>";
  for (size_t i = 0; i < kMaxElements; ++i) deep += "</n>";
  Document d;
  ASSERT_TRUE(parse(deep, d));
  EXPECT_EQ(d.elements.size(), kMaxElements);
  EXPECT_FALSE(parse(deep.substr(0, deep.size() - 1), d));

  // One element more than the cap, nested or side by side, is no manifest.
  EXPECT_FALSE(parse("<n>" + deep + "</n>", d));
  EXPECT_TRUE(d.empty());
  std::string flat = "<r>";
  for (size_t i = 1; i < kMaxElements; ++i) flat += "<a/>";
  ASSERT_TRUE(parse(flat + "</r>", d));
  EXPECT_FALSE(parse(flat + "<a/></r>", d));
  EXPECT_TRUE(d.elements.empty() && d.text.empty());

  std::string many = "<r>";
  for (int i = 0; i < 50000; ++i) many += "<e i='" + std::to_string(i) + "'/>";
  many += "</r>";
  ASSERT_TRUE(parse(many, d));
  ASSERT_EQ(d.elements[0].childCount, 50000u);
  EXPECT_EQ(attr(d, d.child(0, 49999), "i"), "49999");

  std::string huge(8 << 20, 'x');
  ASSERT_TRUE(parse("<r v='" + huge + "'/>", d));
  EXPECT_EQ(attr(d, 0, "v").size(), huge.size());

  std::string attrs = "<r";
  for (int i = 0; i < 20000; ++i) attrs += " a" + std::to_string(i) + "='v'";
  ASSERT_TRUE(parse(attrs + "/>", d));
  EXPECT_FALSE(parse(attrs + " a7='again'/>", d));
}

TEST(XmlReader, RecordsWhereEachElementStandsInTheInput) {
  std::string text = "<r> <s a='1'><t/></s><u/></r>";
  Document d;
  ASSERT_TRUE(parse(text, d));
  const auto& s = d.elements[d.child(0, 0)];
  EXPECT_EQ(text.substr(s.sourceBegin, s.sourceEnd - s.sourceBegin), "<s a='1'><t/></s>");
  const auto& u = d.elements[d.child(0, 1)];
  EXPECT_EQ(text.substr(u.sourceBegin, u.sourceEnd - u.sourceBegin), "<u/>");
}

}  // namespace
}  // namespace startup::xml
