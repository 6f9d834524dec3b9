// The host's own tools over real loopback HTTP: the recorder's input and state, the screen's
// picture and movie, and the documents directory with every name and file it must refuse.
#include "web/HostTools.h"

#include <unistd.h>

#include <fstream>
#include <future>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/TempDir.h"
#include "platform/ui/UIDocumentInteractionController.h"
#include "web/DocumentsEndpoint.h"
#include "web/WebHostFixture.h"

using tessaly::testing::TempDir;
using tessaly::web::HostTools;

namespace {

constexpr const char* kRoute =
    "<route>\n<coordinates type=\"marker\">43.7384,7.4246</coordinates>\n"
    "<coordinates type=\"point\">43.7390,7.4250</coordinates>\n</route>\n";

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class HostToolsTest : public WebHostTest {
 protected:
  void SetUp() override {
    WebHostTest::SetUp();
    tessaly::platform::setDocumentsDirectory(_documents.path());
  }
  void TearDown() override {
    WebHostTest::TearDown();
    tools.reset();
    tessaly::platform::UIDocumentInteractionController::setOpenInHandler(nullptr);
    tessaly::platform::setDocumentsDirectory("");
  }
  void startTools() {
    tools = std::make_unique<HostTools>(screen, loop);
    WebHostOptions options;
    options.port = 0;
    options.resourcesDir = resources().string();
    host = std::make_unique<WebHost>(*tools, loop, options);
    tools->mountOn(*host);
    auto bound = host->bind();
    ASSERT_TRUE(bound) << bound.reason();
    host->start();
    client = std::make_unique<httplib::Client>("127.0.0.1", host->port());
    runLoop();
  }
  httplib::Result upload(const std::string& query, const std::string& body) {
    return client->Post("/api/documents" + query, body, "application/xml");
  }
  std::string document(const std::string& name) const { return _documents.file(name); }

  TempDir _documents;
  std::unique_ptr<HostTools> tools;
};

}  // namespace

TEST_F(HostToolsTest, TheStateCarriesTheToolsBesideTheApplicationsOwnFields) {
  startTools();
  json s = state();
  EXPECT_EQ(s["points"], 0) << "the application's state is kept whole";
  EXPECT_EQ(s["tools"]["recorder"]["recording"], false);
  EXPECT_EQ(s["tools"]["recorder"]["movie"], false);
  EXPECT_TRUE(s["tools"]["offer"].is_null());
  // Other inputs still reach the application.
  ASSERT_EQ(post(kPress)->status, 200);
  EXPECT_EQ(state()["points"], 1);
}

TEST_F(HostToolsTest, RecorderInputsAreCheckedAndTheMovieIsOnlyServedWhenFinished) {
  startTools();
  for (const char* bad : {R"({"type":"recorder"})", R"({"type":"recorder","action":"pause"})",
                          R"({"type":"recorder","action":"start","extra":1})"}) {
    EXPECT_EQ(post(bad)->status, 400) << bad;
  }
  auto stopIdle = post(R"({"type":"recorder","action":"stop"})");
  EXPECT_EQ(stopIdle->status, 400);
  EXPECT_EQ(stopIdle->body, "the recorder is not recording\n");

  auto none = client->Get("/api/screen.mov");
  EXPECT_EQ(none->status, 404);
  EXPECT_NE(none->body.find("no movie has been recorded"), std::string::npos);

  ASSERT_EQ(post(R"({"type":"recorder","action":"start"})")->status, 200);
  EXPECT_EQ(state()["tools"]["recorder"]["recording"], true);
  EXPECT_EQ(client->Get("/api/screen.mov")->status, 409) << "a movie being written is not served";
  ASSERT_EQ(post(R"({"type":"recorder","action":"stop"})")->status, 200);
  json s = state();
  EXPECT_EQ(s["tools"]["recorder"]["recording"], false);
  EXPECT_EQ(s["tools"]["recorder"]["movie"], true);
  auto movie = client->Get("/api/screen.mov");
  ASSERT_EQ(movie->status, 200);
  EXPECT_EQ(movie->get_header_value("Content-Type"), "video/quicktime");
  EXPECT_EQ(movie->body, readAll(document("screen.mov")));
}

TEST_F(HostToolsTest, TheScreenIsAPNGAndEveryToolKeepsTheHostsRules) {
  startTools();
  auto png = client->Get("/api/screen.png");
  ASSERT_EQ(png->status, 200);
  EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(png->body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

  httplib::Headers foreign = {{"Origin", "http://evil.example"}};
  EXPECT_EQ(client->Get("/api/screen.png", foreign)->status, 403);
  EXPECT_EQ(client->Get("/api/documents", foreign)->status, 403);
  EXPECT_EQ(client->Post("/api/documents?name=a.xml", foreign, kRoute, "application/xml")->status,
            403);
  EXPECT_FALSE(std::filesystem::exists(document("a.xml")));
  httplib::Headers rebound = {{"Host", "attacker.example:" + std::to_string(host->port())}};
  EXPECT_EQ(client->Get("/api/documents", rebound)->status, 403);
  EXPECT_EQ(client->Post("/api/screen.png", "", "text/plain")->status, 405);
  EXPECT_EQ(client->Delete("/api/documents/a.xml")->status, 405);
}

TEST_F(HostToolsTest, DocumentsAreListedWithSizeAndTimeAndDownloadedAsAttachments) {
  std::ofstream(document("walk.xml")) << kRoute;
  std::ofstream(document("trip route.kml")) << "<kml/>";
  std::ofstream(document(".hidden.xml")) << kRoute;
  std::filesystem::create_directory(document("folder.xml"));
  startTools();
  auto listed = client->Get("/api/documents");
  ASSERT_EQ(listed->status, 200);
  json files = json::parse(listed->body);
  ASSERT_EQ(files.size(), 2u) << listed->body;
  EXPECT_EQ(files[0]["name"], "trip route.kml");
  EXPECT_EQ(files[1]["name"], "walk.xml");
  EXPECT_EQ(files[1]["size"], std::string(kRoute).size());
  EXPECT_GT(files[1]["modified"].get<std::int64_t>(), 1600000000);

  auto xml = client->Get("/api/documents/walk.xml");
  ASSERT_EQ(xml->status, 200);
  EXPECT_EQ(xml->body, kRoute);
  EXPECT_EQ(xml->get_header_value("Content-Type"), "application/xml");
  auto kml = client->Get("/api/documents/trip%20route.kml");
  ASSERT_EQ(kml->status, 200);
  // (The client library decodes escapes in header values, so the encoded name reads back plain.)
  EXPECT_EQ(kml->get_header_value("Content-Disposition")
                .rfind("attachment; filename=\"trip route.kml\"", 0),
            0u);
  EXPECT_EQ(tessaly::web::DocumentsEndpoint::attachmentHeader("trip \"1\".kml"),
            "attachment; filename=\"trip _1_.kml\"; filename*=UTF-8''trip%20%221%22.kml");
}

TEST_F(HostToolsTest, DownloadsRefuseAnythingButAPlainFileInsideTheDocuments) {
  TempDir outside;
  std::ofstream(outside.file("secret.xml")) << "secret";
  std::ofstream(document("walk.xml")) << kRoute;
  std::ofstream(document(".hidden")) << "hidden";
  std::filesystem::create_symlink(outside.file("secret.xml"), document("link.xml"));
  std::filesystem::create_symlink(document("walk.xml"), document("inside.xml"));
  std::filesystem::create_directory(document("folder.xml"));
  startTools();
  struct Case {
    const char* path;
    int status;
  };
  for (Case c :
       {Case{"/api/documents/..", 400}, Case{"/api/documents/.", 400},
        Case{"/api/documents/..%2F..%2Fetc%2Fpasswd", 400}, Case{"/api/documents/a%2Fb.xml", 400},
        Case{"/api/documents/.hidden", 400}, Case{"/api/documents/x%01y", 400},
        Case{"/api/documents/link.xml", 404}, Case{"/api/documents/folder.xml", 404},
        Case{"/api/documents/none.xml", 404}, Case{"/api/documentsX", 404}}) {
    auto res = client->Get(c.path);
    ASSERT_TRUE(res) << c.path;
    EXPECT_EQ(res->status, c.status) << c.path << ": " << res->body;
    EXPECT_EQ(res->body.find("secret"), std::string::npos) << c.path;
  }
  // A NUL never reaches a name: the server refuses the request line itself.
  auto nul = client->Get("/api/documents/walk.xml%00.png");
  ASSERT_TRUE(nul);
  EXPECT_GE(nul->status, 400);
  EXPECT_EQ(client->Get("/api/documents/inside.xml")->status, 200) << "a link that stays inside";
  json files = json::parse(client->Get("/api/documents")->body);
  for (const auto& f : files) EXPECT_NE(f["name"], "link.xml");
}

TEST_F(HostToolsTest, AnUploadMustBeARouteFileAndNeverReplacesSilently) {
  std::ofstream(document("old.xml")) << kRoute;
  TempDir outside;
  std::filesystem::create_symlink(outside.file("target.xml"), document("link.xml"));
  startTools();

  auto made = upload("?name=new.xml", kRoute);
  ASSERT_EQ(made->status, 201) << made->body;
  EXPECT_EQ(json::parse(made->body)["entries"], 2);
  EXPECT_EQ(readAll(document("new.xml")), kRoute);

  std::string other = "<route><coordinates type=\"marker\">1,2</coordinates></route>";
  auto clash = upload("?name=old.xml", other);
  EXPECT_EQ(clash->status, 409);
  EXPECT_NE(clash->body.find("replace=1"), std::string::npos);
  EXPECT_EQ(readAll(document("old.xml")), kRoute) << "unchanged";
  auto replaced = upload("?name=old.xml&replace=1", other);
  ASSERT_EQ(replaced->status, 201);
  EXPECT_EQ(json::parse(replaced->body)["replaced"], true);
  EXPECT_EQ(readAll(document("old.xml")), other);

  struct Case {
    std::string query;
    std::string body;
    int status;
  };
  std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><route><coordinates "
      "type=\"marker\">&b;</coordinates></route>";
  for (const Case& c :
       {Case{"", kRoute, 400}, Case{"?name=", kRoute, 400}, Case{"?name=..", kRoute, 400},
        Case{"?name=a%2Fb.xml", kRoute, 400}, Case{"?name=..%2Fescape.xml", kRoute, 400},
        Case{"?name=.hidden.xml", kRoute, 400}, Case{"?name=route.kml", kRoute, 400},
        Case{"?name=bad.xml", "<route><coordinates", 400},
        Case{"?name=empty.xml", "<route></route>", 400}, Case{"?name=laughs.xml", laughs, 400},
        Case{"?name=link.xml&replace=1", kRoute, 409},
        Case{"?name=huge.xml", std::string(3 << 20, ' '), 413}}) {
    auto res = upload(c.query, c.body);
    ASSERT_TRUE(res) << c.query;
    EXPECT_EQ(res->status, c.status) << c.query << ": " << res->body;
  }
  EXPECT_FALSE(std::filesystem::exists(outside.file("target.xml"))) << "no write through a link";
  EXPECT_FALSE(std::filesystem::exists(_documents.path() + "/../escape.xml"));
  for (const auto& entry : std::filesystem::directory_iterator(_documents.path())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "old.xml" || name == "new.xml" || name == "link.xml") << name;
  }
}

TEST_F(HostToolsTest, AnOfferedFileOfTheDocumentsIsAnnouncedOnceEachTime) {
  std::ofstream(document("walk.kml")) << "<kml/>";
  startTools();
  tools->installOpenInHandler();
  using tessaly::platform::UIDocumentInteractionController;
  bool shown = false, outside = true;
  std::promise<void> done;
  loop.post([&] {
    shown = UIDocumentInteractionController("").presentOpenInMenu() ||
            UIDocumentInteractionController(document("walk.kml")).presentOpenInMenu();
    outside = UIDocumentInteractionController("/etc/passwd").presentOpenInMenu();
    done.set_value();
  });
  done.get_future().wait();
  EXPECT_TRUE(shown);
  EXPECT_FALSE(outside) << "only a file of the documents can be handed to the browser";
  // An input's answer comes once the snapshot of its turn is out: the offer's turn came before.
  ASSERT_EQ(post(kPress)->status, 200);
  json offer = state()["tools"]["offer"];
  EXPECT_EQ(offer["name"], "walk.kml");
  EXPECT_EQ(offer["serial"], 1);
}
