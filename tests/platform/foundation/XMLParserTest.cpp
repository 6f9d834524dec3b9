#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/NSXMLParser.h"

using tessaly::platform::NSXMLParser;
using tessaly::platform::NSXMLParserDelegate;

namespace {

// Writes every event as one line, so a test can compare the whole run.
class EventLog : public NSXMLParserDelegate {
 public:
  void parserDidStartElement(NSXMLParser*, const std::string& name, const std::string&,
                             const std::string&,
                             const std::map<std::string, std::string>& attributes) override {
    std::string line = "start " + name;
    for (const auto& [key, value] : attributes) line += " " + key + "=" + value;
    events.push_back(line);
  }
  void parserFoundCharacters(NSXMLParser*, const std::string& text) override {
    events.push_back("text [" + text + "]");
  }
  void parserDidEndElement(NSXMLParser*, const std::string& name, const std::string&,
                           const std::string&) override {
    events.push_back("end " + name);
  }
  std::vector<std::string> events;
};

struct Outcome {
  bool ok;
  long code;
  std::string message;
  std::vector<std::string> events;
};

Outcome parse(const std::string& document) {
  NSXMLParser parser(document);
  EventLog log;
  parser.setDelegate(&log);
  parser.setShouldResolveExternalEntities(false);
  bool ok = parser.parse();
  return {ok, parser.parserError().code, parser.parserError().localizedDescription, log.events};
}

}  // namespace

TEST(XMLParser, ReportsElementsAttributesAndWholeRunsOfText) {
  Outcome r = parse(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<route><c type=\"marker\" b=\"&lt;x&gt;\">1.5,\n2<!-- note -->3</c>&amp;</route>");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.events,
            (std::vector<std::string>{"start route", "start c b=<x> type=marker", "text [1.5,\n2]",
                                      "text [3]", "end c", "text [&]", "end route"}));
}

TEST(XMLParser, MalformedDocumentsFailWithWhereAndWhy) {
  Outcome unclosed = parse("<route>\n<coordinates>1,2</route>");
  EXPECT_FALSE(unclosed.ok);
  EXPECT_NE(unclosed.message.find("mismatched tag"), std::string::npos) << unclosed.message;
  EXPECT_NE(unclosed.message.find("line 2"), std::string::npos) << unclosed.message;
  // Nothing follows the error, not even the text read before the bad tag.
  EXPECT_EQ(unclosed.events.back(), "start coordinates");

  Outcome empty = parse("");
  EXPECT_FALSE(empty.ok);
  EXPECT_EQ(empty.code, NSXMLParser::kErrorEmptyDocument);

  Outcome undefined = parse("<r>&nope;</r>");
  EXPECT_FALSE(undefined.ok);
  EXPECT_NE(undefined.message.find("undefined entity"), std::string::npos) << undefined.message;
}

TEST(XMLParser, RefusesEveryEntityDeclarationSoNothingExpandsOrIsFetched) {
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k)
      laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    laughs += "\">\n";
  }
  laughs += "]>\n<lolz>&lol9;</lolz>\n";
  const std::vector<std::string> hostile = {
      laughs,
      "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/x.dtd\"> %p;]><r/>",
      "<!DOCTYPE r [<!ENTITY x \"harmless\">]><r>&x;</r>",
  };
  for (const std::string& document : hostile) {
    Outcome r = parse(document);
    EXPECT_FALSE(r.ok) << document;
    EXPECT_EQ(r.code, NSXMLParser::kErrorEntityDeclared) << document;
    EXPECT_NE(r.message.find("declares an entity"), std::string::npos);
    EXPECT_TRUE(r.events.empty()) << document;
  }
}

TEST(XMLParser, AnExternalDocumentTypeIsNeverRead) {
  // Nothing is fetched: the document parses as if the subset were absent.
  Outcome r = parse("<!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r>x</r>");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.events, (std::vector<std::string>{"start r", "text [x]", "end r"}));
}

TEST(XMLParser, TextMustBeUTF8WhateverTheDeclarationSays) {
  const std::vector<std::string> invalid = {
      "<r>\xff</r>",              // never a UTF-8 byte
      "<r>\xc3</r>",              // cut-off sequence
      "<r>\xc0\xaf</r>",          // overlong "/"
      "<r>\xed\xa0\x80</r>",      // a surrogate
      "<r>\xf4\x90\x80\x80</r>",  // beyond U+10FFFF
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>caf\xe9</r>",
  };
  for (const std::string& document : invalid) {
    Outcome r = parse(document);
    EXPECT_FALSE(r.ok) << document;
    EXPECT_EQ(r.code, NSXMLParser::kErrorInvalidUTF8) << document;
    EXPECT_NE(r.message.find("line 1, column"), std::string::npos) << r.message;
  }
  Outcome ok = parse("<r>caf\xc3\xa9 \xf0\x9f\x97\xba</r>");
  ASSERT_TRUE(ok.ok) << ok.message;
  EXPECT_EQ(ok.events[1], "text [caf\xc3\xa9 \xf0\x9f\x97\xba]");
}

TEST(XMLParser, RefusesDocumentsAboveTheCapUnparsed) {
  std::string big = "<r>";
  big.resize(NSXMLParser::kMaximumDocumentBytes + 1, ' ');
  Outcome r = parse(big);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.code, NSXMLParser::kErrorDocumentTooLarge);
  EXPECT_NE(r.message.find("64 MiB"), std::string::npos) << r.message;
  EXPECT_TRUE(r.events.empty());
}

TEST(XMLParser, NamespaceProcessingCannotBeSwitchedOn) {
  NSXMLParser parser("<r/>");
  parser.setShouldProcessNamespaces(false);
  parser.setShouldReportNamespacePrefixes(false);
  EXPECT_THROW(parser.setShouldProcessNamespaces(true), std::invalid_argument);
  EXPECT_THROW(parser.setShouldReportNamespacePrefixes(true), std::invalid_argument);
  EXPECT_TRUE(parser.parse());
}
