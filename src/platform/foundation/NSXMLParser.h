#pragma once
// An event-driven XML parser over a whole document in memory (expat underneath). It is made for
// files that arrive from outside: the document must be UTF-8 whatever it declares, no entity may
// be declared (so nothing is ever expanded or fetched), and documents above a size cap are
// refused before any parsing.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "platform/foundation/NSError.h"

namespace tessaly::platform {

class NSXMLParser;

class NSXMLParserDelegate {
 public:
  virtual ~NSXMLParserDelegate() = default;
  virtual void parserDidStartElement(NSXMLParser* /*parser*/, const std::string& /*elementName*/,
                                     const std::string& /*namespaceURI*/,
                                     const std::string& /*qualifiedName*/,
                                     const std::map<std::string, std::string>& /*attributes*/) {}
  // One run of text between two markup events (adjacent pieces are joined before delivery).
  virtual void parserFoundCharacters(NSXMLParser* /*parser*/, const std::string& /*string*/) {}
  virtual void parserDidEndElement(NSXMLParser* /*parser*/, const std::string& /*elementName*/,
                                   const std::string& /*namespaceURI*/,
                                   const std::string& /*qualifiedName*/) {}
};

class NSXMLParser {
 public:
  static constexpr const char* kErrorDomain = "NSXMLParserErrorDomain";
  // Larger documents are refused unread: a route file of 64 MiB holds about a million points.
  static constexpr std::size_t kMaximumDocumentBytes = std::size_t{64} << 20;
  // Error codes of the refusals that are this parser's own (expat's codes are passed on).
  static constexpr long kErrorDocumentTooLarge = 1001;
  static constexpr long kErrorEntityDeclared = 1002;
  static constexpr long kErrorInvalidUTF8 = 1003;
  static constexpr long kErrorEmptyDocument = 1004;

  // initWithData:. The parser keeps its own copy.
  explicit NSXMLParser(std::string data);
  NSXMLParser(const NSXMLParser&) = delete;
  NSXMLParser& operator=(const NSXMLParser&) = delete;

  NSXMLParserDelegate* delegate() const { return _delegate; }
  void setDelegate(NSXMLParserDelegate* delegate) { _delegate = delegate; }
  // Namespace processing and prefix reporting are not offered: both stay off and true throws
  // std::invalid_argument. External entities are never resolved, whatever is asked.
  void setShouldProcessNamespaces(bool process);
  void setShouldReportNamespacePrefixes(bool report);
  void setShouldResolveExternalEntities(bool resolve) { _resolveExternalEntities = resolve; }
  bool shouldResolveExternalEntities() const { return _resolveExternalEntities; }

  // Runs the document through the delegate to its end. False on the first error; parserError()
  // then says what and where, and no further callback follows.
  bool parse();
  const NSError& parserError() const { return _error; }

  // The refusal of a document above the cap, for callers that check a file's size before
  // reading it.
  static NSError documentTooLargeError(std::size_t bytes);

 private:
  struct Callbacks;
  void flushCharacters();

  std::string _data;
  NSXMLParserDelegate* _delegate = nullptr;
  bool _resolveExternalEntities = false;
  std::string _pendingCharacters;
  NSError _error;
};

}  // namespace tessaly::platform
