// LanguagesTest.cc: the pane in each of its languages through pdehost's session and scripts: the
// texts shown are the language's, the PPD values and item numbers are the same in all of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "DialogSession.h"
#include "Paths.h"
#include "ScriptRunner.h"

namespace pdehost {
namespace {

struct Language {
  const char* code;
  const char* title;        // the pane's title
  const char* privateItem;  // print mode item 3
  const char* on;           // switch item 2
  const char* summary;      // the summary after choosing Private and switching both on
};

constexpr Language kLanguages[] = {
    {"en", "Printer Features", "Private", "On",
     "Print Mode: Private\nDIN: 58203\nBlank Pages: On\nDistinguish Thin Lines: Off\n"
     "Department Code: 58203\n"},
    {"de", "Druckerfunktionen", "Vertraulich", "Ein",
     "Druckmodus: Vertraulich\nDIN: 58203\nLeerseiten: Ein\nDünne Linien unterscheiden: Aus\n"
     "Abteilungscode: 58203\n"},
    {"fr_FR.UTF-8", "Fonctions de l’imprimante", "Privé", "Oui",
     "Mode d’impression: Privé\nDIN: 58203\nPages blanches: Oui\n"
     "Distinguer les lignes fines: Non\nCode de service: 58203\n"},
    {"es", "Funciones de la impresora", "Privado", "Sí",
     "Modo de impresión: Privado\nDIN: 58203\nPáginas en blanco: Sí\n"
     "Distinguir líneas finas: No\nCódigo de departamento: 58203\n"},
    {"ja", "プリンタの機能", "機密", "オン",
     "印刷モード: 機密\nDIN: 58203\n白紙ページ: オン\n細線を区別: オフ\n部門コード: 58203\n"},
};

constexpr char kPrinted[] =
    "BlankPage=True\nDCDigit1=5\nDCDigit2=8\nDCDigit3=2\nDCDigit4=0\nDCDigit5=3\n"
    "DINDigit1=5\nDINDigit2=8\nDINDigit3=2\nDINDigit4=0\nDINDigit5=3\nDeptCode=True\n"
    "DistinguishThinLines=False\nPrintMode=Private\n";

// Runs text as a session script in a fresh session; returns what it wrote, with the pane's
// title in *title.
std::string RunSession(const std::string& text, std::string* title) {
  DialogSession session;
  std::string error;
  EXPECT_TRUE(session.Open({DefaultPpdPath(), BuiltBundlePath(), {}}, &error)) << error;
  EXPECT_TRUE(session.Start(&error)) << error;
  *title = session.title();
  Script script;
  EXPECT_TRUE(ParseScript(text, "t.session", &script, &error)) << error;
  std::string out;
  std::ostringstream notes;
  const RunResult result = RunScript(script, &session, RunSettings{}, &out, notes);
  EXPECT_EQ(result.outcome, RunOutcome::kCompleted) << result.message << notes.str();
  return out;
}

TEST(Languages, ShowTheirTextsAndPrintTheSameValuesByNumberOrShownText) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.code);
    setenv("LANGUAGE", language.code, 1);
    setenv("LC_ALL", "C", 1);
    std::string title;
    EXPECT_EQ(
        RunSession("choose PrintMode 3\nchoose Department 2\nchoose BlankPages 2\nprint\n", &title),
        kPrinted);
    EXPECT_EQ(title, language.title);
    const std::string on = std::string("\"") + language.on + "\"";
    EXPECT_EQ(RunSession(std::string("choose PrintMode \"") + language.privateItem + "\"\n" +
                             "choose Department " + on + "\nchoose BlankPages " + on +
                             "\nsummary\nprint\n",
                         &title),
              language.summary + std::string(kPrinted));
  }
  unsetenv("LANGUAGE");
  unsetenv("LC_ALL");
}

}  // namespace
}  // namespace pdehost
