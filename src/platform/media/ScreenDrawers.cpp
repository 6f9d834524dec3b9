// The window, plain views, screens, a web page and the banner.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/media/DrawingContext.h"
#include "platform/media/NodeDrawers.h"
#include "platform/media/ViewDrawing.h"
#include "platform/ui/UIDevice.h"

namespace tessaly::platform::drawers {
namespace {

using namespace drawing;

// A page's words, read from its HTML: its title, then its text with the tags, scripts and
// styles left out and the common entities read, blocks kept apart as paragraphs.
struct PageText {
  std::string title;
  std::vector<std::string> paragraphs;
};

std::string lowerTagName(const std::string& html, std::size_t from) {
  std::string name;
  for (std::size_t i = from; i < html.size(); ++i) {
    char c = html[i];
    if (!std::isalnum(static_cast<unsigned char>(c))) break;
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name;
}

void appendEntity(std::string& out, const std::string& entity) {
  if (entity == "amp")
    out += '&';
  else if (entity == "lt")
    out += '<';
  else if (entity == "gt")
    out += '>';
  else if (entity == "quot")
    out += '"';
  else if (entity == "apos" || entity == "#39")
    out += '\'';
  else if (entity == "nbsp" || entity == "#160")
    out += ' ';
  else
    out += "&" + entity + ";";
}

PageText readPage(const std::string& html) {
  PageText page;
  std::string text;
  bool inTitle = false;
  auto endParagraph = [&] {
    std::string words;
    bool space = false;
    for (char c : text) {
      if (std::isspace(static_cast<unsigned char>(c))) {
        space = !words.empty();
      } else {
        if (space) words += ' ';
        space = false;
        words += c;
      }
    }
    if (!words.empty()) (inTitle ? page.title : page.paragraphs.emplace_back()) = words;
    text.clear();
  };
  for (std::size_t i = 0; i < html.size();) {
    char c = html[i];
    if (c == '<') {
      bool closing = i + 1 < html.size() && html[i + 1] == '/';
      std::string name = lowerTagName(html, i + (closing ? 2 : 1));
      std::size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      i = end + 1;
      if (!closing && (name == "script" || name == "style")) {
        std::size_t close = html.find("</" + name, i);
        i = close == std::string::npos ? html.size() : close;
        continue;
      }
      static const char* blocks[] = {"p",     "div",  "h1",      "h2",    "h3", "h4",
                                     "li",    "br",   "tr",      "title", "ul", "ol",
                                     "table", "body", "section", "header"};
      if (std::find(std::begin(blocks), std::end(blocks), name) != std::end(blocks)) {
        endParagraph();
        if (name == "title") inTitle = !closing;
      }
      continue;
    }
    if (c == '&') {
      std::size_t semi = html.find(';', i);
      if (semi != std::string::npos && semi - i <= 8) {
        appendEntity(text, html.substr(i + 1, semi - i - 1));
        i = semi + 1;
        continue;
      }
    }
    text += c;
    ++i;
  }
  endParagraph();
  return page;
}

// Words laid out in lines of at most width, until height is full.
void drawParagraph(cairo_t* cr, const std::string& text, const UIFont& font, double x, double& y,
                   double width, double bottom) {
  constexpr double kLine = 18;
  std::string line;
  std::size_t at = 0;
  auto flush = [&] {
    if (!line.empty() && y + kLine <= bottom)
      drawText(cr, line, font, kDarkText, x, y, width, kLine);
    y += kLine;
    line.clear();
  };
  while (at < text.size() && y + kLine <= bottom) {
    std::size_t space = text.find(' ', at);
    std::string word = text.substr(at, space == std::string::npos ? std::string::npos : space - at);
    at = space == std::string::npos ? text.size() : space + 1;
    std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && textWidth(cr, longer, font) > width) {
      flush();
      line = word;
    } else {
      line = longer;
    }
  }
  flush();
  y += 6;
}

}  // namespace

void drawNothing(DrawingContext&, const DescriptionNode&, CGSize) {}

void drawStatusBar(DrawingContext& context, const DescriptionNode&, CGSize size) {
  // Above the picture; drawn all the same, for a picture that would include it.
  cairo_t* cr = context.cr();
  setColor(cr, UIColor::blackColor());
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_fill(cr);
}

void drawScreen(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  // A screen presented in a sheet smaller than the window dims the screen around it.
  if (!node.has("presentation")) return;
  CGSize screen = context.screenSize();
  if (size.width >= screen.width && size.height >= screen.height) return;
  cairo_t* cr = context.cr();
  CGPoint at = context.origin();
  context.moveTo({0, 0});
  setColor(cr, {0, 0, 0, 0.45f});
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr, 0, UIScreen::kStatusBarHeight, screen.width, screen.height);
  cairo_rectangle(cr, at.x, at.y, size.width, size.height);
  cairo_fill(cr);
}

void drawWebView(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  cairo_t* cr = context.cr();
  setColor(cr, kWhite);
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_fill(cr);
  PageText page = readPage(node.string("html"));
  double y = 8, x = 10, width = size.width - 20;
  if (!page.title.empty()) {
    drawText(cr, page.title, UIFont::boldSystemFontOfSize(17), kDarkText, x, y, width, 24);
    y += 30;
  }
  UIFont font = UIFont::systemFontOfSize(13);
  for (const auto& paragraph : page.paragraphs) {
    if (paragraph == page.title) continue;
    drawParagraph(cr, paragraph, font, x, y, width, size.height - 4);
    if (y >= size.height) break;
  }
}

void drawBanner(DrawingContext& context, const DescriptionNode& node, CGSize size) {
  if (!node.boolean("loaded")) return;
  cairo_t* cr = context.cr();
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  verticalGradient(cr, 0, size.height, {0.2f, 0.2f, 0.2f, 1}, {0.07f, 0.07f, 0.07f, 1});
  cairo_fill(cr);
  drawText(cr, "Advertisement", UIFont::boldSystemFontOfSize(14), {0.87f, 0.87f, 0.87f, 1}, 0, 0,
           size.width, size.height, NSTextAlignmentCenter);
}

}  // namespace tessaly::platform::drawers
