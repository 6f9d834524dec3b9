#include "platform/foundation/NSXMLParser.h"

#include <expat.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "platform/foundation/UTF8Text.h"

namespace tessaly::platform {
namespace {

std::string lineAndColumn(std::string_view text, std::size_t offset) {
  long line = 1;
  long column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

struct NSXMLParser::Callbacks {
  NSXMLParser* self;
  XML_Parser expat;
  bool entityDeclared = false;

  static void start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* c = static_cast<Callbacks*>(data);
    c->self->flushCharacters();
    std::map<std::string, std::string> attributeMap;
    for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) attributeMap[a[0]] = a[1];
    if (c->self->_delegate != nullptr) {
      c->self->_delegate->parserDidStartElement(c->self, name, "", "", attributeMap);
    }
  }
  static void end(void* data, const XML_Char* name) {
    auto* c = static_cast<Callbacks*>(data);
    c->self->flushCharacters();
    if (c->self->_delegate != nullptr)
      c->self->_delegate->parserDidEndElement(c->self, name, "", "");
  }
  static void characters(void* data, const XML_Char* text, int length) {
    static_cast<Callbacks*>(data)->self->_pendingCharacters.append(
        text, static_cast<std::size_t>(length));
  }
  // Comments and processing instructions end a run of text, as they do in the document.
  static void comment(void* data, const XML_Char*) {
    static_cast<Callbacks*>(data)->self->flushCharacters();
  }
  static void instruction(void* data, const XML_Char*, const XML_Char*) {
    static_cast<Callbacks*>(data)->self->flushCharacters();
  }
  // Any entity declaration stops the parse: with none declared there is nothing to expand, so
  // neither nested expansion nor an external fetch can happen.
  static void entityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int,
                                const XML_Char*, const XML_Char*, const XML_Char*,
                                const XML_Char*) {
    auto* c = static_cast<Callbacks*>(data);
    c->entityDeclared = true;
    XML_StopParser(c->expat, XML_FALSE);
  }
};

NSXMLParser::NSXMLParser(std::string data) : _data(std::move(data)) {}

void NSXMLParser::setShouldProcessNamespaces(bool process) {
  if (process) throw std::invalid_argument("namespace processing is not supported");
}

void NSXMLParser::setShouldReportNamespacePrefixes(bool report) {
  if (report) throw std::invalid_argument("namespace prefix reporting is not supported");
}

NSError NSXMLParser::documentTooLargeError(std::size_t bytes) {
  return NSError{kErrorDomain, kErrorDocumentTooLarge,
                 "The file is too large to read: " + std::to_string(bytes) +
                     " bytes, more than the 64 MiB allowed."};
}

void NSXMLParser::flushCharacters() {
  if (_pendingCharacters.empty()) return;
  std::string text;
  text.swap(_pendingCharacters);
  if (_delegate != nullptr) _delegate->parserFoundCharacters(this, text);
}

bool NSXMLParser::parse() {
  _error = NSError{};
  _pendingCharacters.clear();
  if (_data.size() > kMaximumDocumentBytes) {
    _error = documentTooLargeError(_data.size());
    return false;
  }
  if (std::size_t bad = firstInvalidUTF8(_data); bad != std::string_view::npos) {
    _error = NSError{kErrorDomain, kErrorInvalidUTF8,
                     "The file is not valid UTF-8 text (" + lineAndColumn(_data, bad) + ")."};
    return false;
  }
  // The document is read as UTF-8 whatever its declaration says.
  std::unique_ptr<XML_ParserStruct, ParserDeleter> expat(XML_ParserCreate("UTF-8"));
  if (!expat) throw std::bad_alloc();
  Callbacks callbacks{this, expat.get()};
  XML_SetUserData(expat.get(), &callbacks);
  XML_SetElementHandler(expat.get(), &Callbacks::start, &Callbacks::end);
  XML_SetCharacterDataHandler(expat.get(), &Callbacks::characters);
  XML_SetCommentHandler(expat.get(), &Callbacks::comment);
  XML_SetProcessingInstructionHandler(expat.get(), &Callbacks::instruction);
  XML_SetEntityDeclHandler(expat.get(), &Callbacks::entityDeclaration);
  // No external entity handler is installed and parameter entities stay unparsed: nothing
  // outside the document is ever read.
  XML_SetParamEntityParsing(expat.get(), XML_PARAM_ENTITY_PARSING_NEVER);

  XML_Status status =
      XML_Parse(expat.get(), _data.data(), static_cast<int>(_data.size()), XML_TRUE);
  if (status == XML_STATUS_OK) {
    flushCharacters();
    return true;
  }
  _pendingCharacters.clear();
  std::string where = "line " + std::to_string(XML_GetCurrentLineNumber(expat.get())) +
                      ", column " + std::to_string(XML_GetCurrentColumnNumber(expat.get()) + 1);
  if (callbacks.entityDeclared) {
    _error = NSError{kErrorDomain, kErrorEntityDeclared,
                     "The file declares an entity, which is not accepted (" + where + ")."};
  } else if (_data.find_first_not_of(" \t\r\n") == std::string::npos) {
    _error = NSError{kErrorDomain, kErrorEmptyDocument, "The file holds no XML document."};
  } else {
    XML_Error code = XML_GetErrorCode(expat.get());
    _error = NSError{kErrorDomain, static_cast<long>(code),
                     std::string("The file is not well-formed XML: ") + XML_ErrorString(code) +
                         " (" + where + ")."};
  }
  return false;
}

}  // namespace tessaly::platform
