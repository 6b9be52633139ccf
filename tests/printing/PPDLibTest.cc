// PPDLibTest.cc: the compiled-PPD library over real PPD files named by printer-info tickets.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "../../host/PPDLib/PPDLib.h"
#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/InputFileCache.h"
#include "pde/PPDHost.h"
#include "pde/PrintingHost.h"

namespace {

std::string Fixture(const char* name) {
  return std::string(PDE_PPD_FIXTURE_DIR "/") + name;
}

std::string PascalText(const unsigned char* buffer) {
  return std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
}

// A file made for one test, removed with it.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& name, const std::string& text = "")
      : path_(::testing::TempDir() + "ppdlib-" + std::to_string(getpid()) + "-" + name) {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~ScratchFile() { std::filesystem::remove(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A session whose printer-info ticket names a PPD file, read as the printer gate reads it.
class PPDLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pde::CreatePrintSession(&session_), noErr);
    ASSERT_EQ(pde::AddTicketToSession(session_, CFSTR(kPMPrinterInfoTicket), &ticket_), noErr);
  }
  void TearDown() override { pde::DisposePrintSession(session_); }

  OSStatus Open(const std::string& path) {
    EXPECT_EQ(pde::SetTicketPPDPath(ticket_, path), noErr);
    CFTypeRef number = nullptr;
    EXPECT_EQ(PMSessionGetDataFromSession(session_, CFSTR(kPMPrinterInfoTicket), &number), noErr);
    PMTicketRef fromSession = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt32Type, &fromSession);
    return ppdOpenCompiledPPDFromTicket(fromSession, &context_, &file_);
  }
  // The main index of keyword, given as a C string.
  Mindex Index(const char* keyword) {
    Str255 name = {static_cast<unsigned char>(std::strlen(keyword))};
    std::memcpy(name + 1, keyword, name[0]);
    return ppdGetMainIndex(context_, name);
  }
  // The main keyword's value as ppdGetInvocationString writes it into a 256-byte buffer.
  std::string Value(const char* keyword) {
    Str255 buffer = {};
    EXPECT_EQ(ppdGetInvocationString(context_, Index(keyword), 0, buffer, 256), noErr);
    return PascalText(buffer);
  }
  void Close() { EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, &file_), noErr); }

  PMPrintSession session_ = nullptr;
  PMTicketRef ticket_ = 0;
  PPDContext context_ = nullptr;
  FSSpec file_ = {};
};

TEST_F(PPDLibTest, ReadsTheModelNameOfTheTicketsPPDAndIndexesOnlyMainKeywords) {
  ASSERT_EQ(Open(Fixture("velmora-q-rx730.ppd")), noErr);
  EXPECT_EQ(file_.vRefNum, 0);
  EXPECT_NE(file_.parID, 0);
  EXPECT_EQ(PascalText(file_.name), "velmora-q-rx730.ppd");
  // Distinct main keywords in order of appearance; option keywords have none.
  EXPECT_EQ(Index("ModelName"), 6);
  EXPECT_EQ(Index("FormatVersion"), 1);
  EXPECT_EQ(Index("DefaultPrintMode"), 9);
  EXPECT_EQ(Index("PrintMode"), 0);
  EXPECT_EQ(Value("ModelName"), "VELMORA q-RX730Series");  // The first of the two entries.
  EXPECT_EQ(Value("LanguageVersion"), "English");
  Close();

  ASSERT_EQ(Open(Fixture("no-modelname.ppd")), noErr);
  for (const char* absent : {"ModelName", "nickname", "*NickName", ""}) {
    EXPECT_EQ(Index(absent), 0) << "for input " << absent;
  }
  EXPECT_EQ(Index("NickName"), 3);
  EXPECT_EQ(ppdGetMainIndex(context_, nullptr), 0);
  EXPECT_EQ(ppdGetMainIndex(nullptr, reinterpret_cast<const unsigned char*>("\x08NickName")), 0);
  Close();
}

// A PPD a host has read is not parsed again when the pane opens it; rewritten in place, it is,
// and a context opened before keeps the keywords it was opened with. The host gets the lines it
// checks itself and the options from the same read.
TEST_F(PPDLibTest, APPDIsCompiledOncePerVersionAndOpenContextsKeepTheirs) {
  std::stringstream text;
  text << std::ifstream(Fixture("velmora-q-rx730.ppd")).rdbuf();
  ScratchFile copy("kept.ppd", text.str());
  std::string error;
  pde::PPDFacts facts;
  ASSERT_TRUE(pde::ReadPPDFacts(copy.path(), &facts, &error)) << error;
  ASSERT_EQ(facts.modelNames.size(), 2u);
  EXPECT_EQ(std::tie(facts.modelNames[1].text, facts.modelNames[1].line),
            std::tuple(" \"VELMORA second entry\"", 16));
  EXPECT_TRUE(facts.dialogExtensions.empty());
  ASSERT_EQ(facts.options.size(), 1u);
  EXPECT_EQ(std::tie(facts.options[0].keyword, facts.options[0].defaultChoice),
            std::tuple("PrintMode", "Normal"));
  EXPECT_EQ(facts.options[0].choices, (std::vector<std::string>{"Normal", "Private"}));
  const long made = pde::InputFileCacheStatisticsOf(pde::InputKind::kPPD).made;
  ASSERT_EQ(Open(copy.path()), noErr);
  EXPECT_EQ(pde::InputFileCacheStatisticsOf(pde::InputKind::kPPD).made, made);
  const PPDContext first = context_;
  FSSpec firstFile = file_;

  std::string rewritten = text.str();
  rewritten.replace(rewritten.find("q-RX730Series"), 13, "q-RX731Series");
  std::ofstream(copy.path(), std::ios::binary | std::ios::in) << rewritten;
  ASSERT_EQ(Open(copy.path()), noErr);
  EXPECT_EQ(Value("ModelName"), "VELMORA q-RX731Series");
  Close();
  context_ = first;
  EXPECT_EQ(Value("ModelName"), "VELMORA q-RX730Series");
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(first, &firstFile), noErr);
}

TEST_F(PPDLibTest, ValuesAreCutToTheBufferAndBadRequestsLeaveItEmpty) {
  ASSERT_EQ(Open(Fixture("long-modelname.ppd")), noErr);
  std::string full;
  for (int i = 0; i < 300; ++i) full += static_cast<char>('A' + i % 26);
  full.insert(200, "\n");  // The value runs over two lines of the file.
  Mindex index = Index("ModelName");
  ASSERT_EQ(index, 1);
  for (UInt32 size : {1u, 2u, 10u, 255u, 256u, 257u}) {
    unsigned char buffer[300];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(ppdGetInvocationString(context_, index, 0, buffer, size), noErr) << size;
    std::size_t expected = std::min<std::size_t>(255, size - 1);
    EXPECT_EQ(PascalText(buffer), full.substr(0, expected)) << "for size " << size;
    EXPECT_EQ(buffer[expected + 1], 0xEE) << "for size " << size;  // Nothing written past it.
  }
  const std::tuple<Mindex, UInt16, UInt32, unsigned char> refused[] = {
      {0, 0, 256, 0},     {-1, 0, 256, 0},    {2, 0, 256, 0},
      {32767, 0, 256, 0}, {index, 1, 256, 0},  // an option other than 0
      {index, 0, 0, 7}};                       // no room: the buffer is not touched
  for (auto [bad, option, size, length] : refused) {
    Str255 buffer = {7, 'x'};
    EXPECT_EQ(ppdGetInvocationString(context_, bad, option, buffer, size), paramErr) << bad;
    EXPECT_EQ(buffer[0], length) << "for index " << bad << " option " << option;
  }
  Str255 buffer = {};
  EXPECT_EQ(ppdGetInvocationString(context_, index, 0, nullptr, 256), paramErr);
  EXPECT_EQ(ppdGetInvocationString(nullptr, index, 0, buffer, 256), paramErr);
  Close();

  // High bytes reach the caller as they stand and read as MacRoman.
  ASSERT_EQ(Open(Fixture("macroman-name.ppd")), noErr);
  const std::string model = Value("ModelName");
  EXPECT_EQ(model, "VELMORA Caf\x8e \xa5 q-RX730Series");
  pde::CFPtr<CFStringRef> text(
      CFStringCreateWithCString(nullptr, model.c_str(), kCFStringEncodingMacRoman));
  EXPECT_EQ(pde::ToUTF8(text.get()), "VELMORA Café • q-RX730Series");
  Close();
}

TEST_F(PPDLibTest, UnreadableMalformedAndHugeFilesAreRefused) {
  ScratchFile huge("huge.ppd", "*PPD-Adobe: \"4.3\"\n");
  std::filesystem::resize_file(huge.path(), 8 * 1024 * 1024 + 1);
  ScratchFile compressed("compressed.ppd", "\x1f\x8b\x08");
  ScratchFile fifo("fifo.ppd");
  std::filesystem::remove(fifo.path());
  ASSERT_EQ(mkfifo(fifo.path().c_str(), 0600), 0);
  const struct {
    std::string path;
    OSStatus status;
    std::string message;
  } cases[] = {
      {Fixture("absent.ppd"), kPPDFileNotFoundErr, Fixture("absent.ppd") + ": No such file"},
      {PDE_PPD_FIXTURE_DIR, kPPDFileNotFoundErr, PDE_PPD_FIXTURE_DIR ": a directory"},
      {fifo.path(), kPPDFileNotFoundErr, fifo.path() + ": a FIFO"},
      {"", kPPDFileNotFoundErr, "names no PPD file"},
      {Fixture("malformed.ppd"), kPPDMalformedErr,
       Fixture("malformed.ppd") + ":4: Missing asterisk in column 1"},
      {Fixture("no-header.ppd"), kPPDMalformedErr,
       Fixture("no-header.ppd") + ":1: Missing PPD-Adobe-4.x header"},
      {huge.path(), kPPDMalformedErr, huge.path() + ": larger than 8388608 bytes"},
      {compressed.path(), kPPDMalformedErr, compressed.path() + ": compressed"},
  };
  for (const auto& refused : cases) {
    context_ = reinterpret_cast<PPDContext>(0x1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Open(refused.path), refused.status) << refused.path;
    std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(stderrText.find(refused.message), std::string::npos) << stderrText;
    EXPECT_EQ(context_, reinterpret_cast<PPDContext>(0x1)) << refused.path;  // Not written.
  }
}

TEST_F(PPDLibTest, KeywordLinesAreCappedAt65536) {
  // 32768 main keywords, one more than can be numbered, then comments up to the cap.
  std::string text = "*PPD-Adobe: \"4.3\"\n";
  for (int i = 1; i <= 32768; ++i) text += "*K" + std::to_string(i) + ": x\n";
  for (int i = 32769; i < 65536; ++i) text += "*% comment\n";
  ScratchFile atCap("at-cap.ppd", text);
  ScratchFile overCap("over-cap.ppd", text + "*ModelName: \"m\"\n");
  ASSERT_EQ(Open(atCap.path()), noErr);
  EXPECT_EQ(Index("K32767"), 32767);
  EXPECT_EQ(Index("K32768"), 0);
  Close();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Open(overCap.path()), kPPDMalformedErr);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("more than 65536 keyword lines"),
            std::string::npos);
}

TEST_F(PPDLibTest, BadTicketsArgumentsAndFSSpecsAreRefusedAndCloseAlwaysFrees) {
  FSSpec file = {};
  PPDContext context = nullptr;
  PMTicketRef disposed = pde::CreateTicket();
  pde::DisposeTicket(disposed);
  for (PMTicketRef bad : {0, -7, disposed, ticket_ + 1000}) {
    EXPECT_EQ(ppdOpenCompiledPPDFromTicket(bad, &context, &file), kPMInvalidTicket) << bad;
  }
  EXPECT_EQ(ppdOpenCompiledPPDFromTicket(ticket_, nullptr, &file), paramErr);
  EXPECT_EQ(ppdOpenCompiledPPDFromTicket(ticket_, &context, nullptr), paramErr);
  EXPECT_EQ(context, nullptr);

  const std::string path = Fixture("velmora-q-rx730.ppd");
  ASSERT_EQ(Open(path), noErr);
  PPDContext first = context_;
  FSSpec firstFile = file_;
  ASSERT_EQ(Open(path), noErr);
  EXPECT_NE(file_.parID, firstFile.parID);
  // Each context wants its own FSSpec back; a wrong one still frees it.
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(first, &file_), paramErr);
  EXPECT_EQ(ppdGetMainIndex(first, reinterpret_cast<const unsigned char*>("\x09ModelName")), 0);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(first, &firstFile), paramErr);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, nullptr), paramErr);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, &file_), paramErr);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(reinterpret_cast<PPDContext>(0x40), &file_), paramErr);
  ASSERT_EQ(Open(path), noErr);
  FSSpec renamed = file_;
  renamed.name[1] ^= 0x20;
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, &renamed), paramErr);
}

TEST_F(PPDLibTest, InjectedFailuresAreReturnedAndCloseStillFrees) {
  const std::string path = Fixture("velmora-q-rx730.ppd");
  pde::InjectFailure("ppdOpenCompiledPPDFromTicket", kPPDFileNotFoundErr);
  EXPECT_EQ(Open(path), kPPDFileNotFoundErr);
  EXPECT_EQ(context_, nullptr);

  ASSERT_EQ(Open(path), noErr);
  pde::InjectFailure("ppdGetInvocationString", -3);
  Str255 buffer = {9};
  EXPECT_EQ(ppdGetInvocationString(context_, Index("ModelName"), 0, buffer, 256), -3);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(Value("ModelName"), "VELMORA q-RX730Series");

  pde::InjectFailure("ppdCloseCompiledPPDFromTicket", -5);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, &file_), -5);
  EXPECT_EQ(ppdCloseCompiledPPDFromTicket(context_, &file_), paramErr);  // Already freed.
}

}  // namespace
