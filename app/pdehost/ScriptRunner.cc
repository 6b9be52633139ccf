// ScriptRunner.cc: dispatches each script action as a user action or a host call.
#include "ScriptRunner.h"

#include <algorithm>

#include "PaneRenderer.h"
#include "Submission.h"
#include "pde/CFHost.h"
#include "pde/TestHooks.h"
#include "pde/EscapedText.h"
#include "pde/ToolkitHost.h"

namespace pdehost {

namespace {

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string JoinItems(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : ", ") + item;
  return joined;
}

// Statuses with which a user action ends normally: handled, passed on to the control, or
// refused by a disabled control.
bool IsUsualActionStatus(OSStatus status) {
  return status == noErr || status == eventNotHandledErr || status == pde::kControlDisabledStatus;
}

class Runner {
 public:
  Runner(const Script& script, DialogSession* session, const RunSettings& settings,
         std::string* out, std::ostream& notes)
      : script_(script), session_(session), settings_(settings), out_(out), notes_(notes) {}

  RunResult Run() {
    for (const ScriptLine& line : script_.lines) {
      for (const Action& action : line.actions) {
        if (!Execute(action)) return result_;
      }
      pde::RunLoopRunOnePass();
    }
    return result_;
  }

 private:
  std::string Where(const Action& action) const {
    if (script_.name.empty()) return {};
    return script_.name + ":" + std::to_string(action.line) + ": ";
  }

  bool Fail(const Action& action, RunOutcome outcome, const std::string& why) {
    result_ = {outcome, Where(action) + action.source + ": " + why};
    return false;
  }

  bool ExpectFailed(const Action& action, const std::string& why) {
    return Fail(action, RunOutcome::kExpectFailed, why);
  }

  void Note(const Action& action, const std::string& what) {
    notes_ << "pdehost: " << pde::EscapeBytes(Where(action) + action.source + ": " + what) << "\n";
  }

  void NoteUnusual(const Action& action, OSStatus status) {
    if (!IsUsualActionStatus(status))
      Note(action, "the toolkit answered status " + std::to_string(status));
  }

  // A drawing or summary: on standard output, or in the notes when an --emit format is asked.
  void Write(const std::string& text) {
    if (settings_.quiet) return;
    if (settings_.emitAsked) {
      notes_ << text;
    } else {
      *out_ += text;
    }
  }

  bool Execute(const Action& action) {
    switch (action.kind) {
      case ActionKind::kShow:
        Write(session_->paneShown()
                  ? RenderPane(session_->title(), pde::SnapshotWindow(session_->window()))
                  : "(no pane)\n");
        return true;
      case ActionKind::kChoose:
        return Choose(action);
      case ActionKind::kFocus:
        return OnField(action, [](ControlRef field) { return pde::FocusControl(field); });
      case ActionKind::kSelect:
        return OnField(action, [&](ControlRef field) {
          return pde::SelectText(field, static_cast<SInt16>(action.selectionStart),
                                 static_cast<SInt16>(action.selectionEnd));
        });
      case ActionKind::kType:
        return OnField(action,
                       [&](ControlRef field) { return pde::TypeText(field, action.keyBytes); });
      case ActionKind::kKey:
        return OnField(action, [&](ControlRef field) { return PressKey(field, action); });
      case ActionKind::kPaste:
        return Paste(action);
      case ActionKind::kIdle:
        pde::RunLoopRunOnePass();
        return true;
      case ActionKind::kSyncIn:
        session_->Sync(true);
        return true;
      case ActionKind::kSyncOut:
        session_->Sync(false);
        return true;
      case ActionKind::kSummary:
        return Summary(action);
      case ActionKind::kPrint:
        return Print(action);
      case ActionKind::kSubmit:
        return Submit(action);
      default:
        return Expect(action);
    }
  }

  template <typename Act>
  bool OnField(const Action& action, Act act) {
    ControlRef field = session_->FindControl(action.control.id);
    if (field != nullptr) NoteUnusual(action, act(field));
    return true;
  }

  OSStatus PressKey(ControlRef field, const Action& action) {
    WindowRef window = session_->window();
    ControlRef focus = nullptr;
    GetKeyboardFocus(window, &focus);
    if (focus != field) {
      const OSStatus status = pde::FocusControl(field);
      if (status != noErr) return status;
    }
    return pde::TypeKey(window, static_cast<unsigned char>(action.keyBytes[0]), action.repeat);
  }

  bool Choose(const Action& action) {
    ControlRef popup = session_->FindControl(action.control.id);
    if (popup == nullptr) return true;
    const std::vector<std::string> items = pde::SnapshotControl(popup).items;
    SInt32 item = action.number;
    if (item == 0) {
      const auto found = std::find(items.begin(), items.end(), action.text);
      if (found == items.end()) {
        return Fail(action, RunOutcome::kBadInput,
                    std::string(action.control.name) + " has no item " + Quoted(action.text) +
                        " (" + JoinItems(items) + ")");
      }
      item = static_cast<SInt32>(found - items.begin()) + 1;
    } else if (static_cast<size_t>(item) > items.size()) {
      return Fail(action, RunOutcome::kBadInput,
                  std::string(action.control.name) + " has no item " + std::to_string(item) +
                      " (it has " + std::to_string(items.size()) + ")");
    }
    NoteUnusual(action, pde::ChoosePopupItem(popup, item));
    return true;
  }

  bool Paste(const Action& action) {
    ControlRef field = session_->FindControl(action.control.id);
    if (field == nullptr) return true;
    pde::CFPtr<CFStringRef> text = pde::MakeString(action.text);
    if (!text) return Fail(action, RunOutcome::kBadInput, "cannot make the pasted text");
    NoteUnusual(action, pde::PasteText(field, text.get()));
    return true;
  }

  bool Summary(const Action& action) {
    SummaryRows rows;
    const OSStatus status = session_->Summary(&rows);
    if (status != noErr && session_->paneShown()) {
      Note(action, "GetSummaryText returned status " + std::to_string(status));
    }
    // Titles come from the bundle's strings table and settings from its nib: escaped, so that
    // neither can drive a terminal or forge a row.
    for (const auto& [title, setting] : rows) {
      Write(pde::EscapeBytes(title) + ": " + pde::EscapeBytes(setting) + "\n");
    }
    return true;
  }

  bool Print(const Action& action) {
    const OSStatus status = session_->Sync(false);
    if (status != noErr && session_->paneShown()) {
      Note(action, "Sync returned status " + std::to_string(status) +
                       "; the settings are written as the ticket holds them");
    }
    OptionMap options;
    std::string error;
    if (!session_->PrintSettings(&options, &error)) {
      return Fail(action, RunOutcome::kBadInput, error);
    }
    if (settings_.check != nullptr &&
        !settings_.check->Check(options, Where(action) + action.source + ": ", &error)) {
      return Fail(action, RunOutcome::kBadInput, error);
    }
    *out_ += FormatOptions(settings_.emit, options);
    return true;
  }

  // Prints the named file to the --printer queue as the dialog's Print button would; a job that
  // cannot be submitted ends the run as bad input.
  bool Submit(const Action& action) {
    if (settings_.printerQueue.empty()) {
      return Fail(action, RunOutcome::kBadInput, "no queue to submit to (give --printer QUEUE)");
    }
    std::string note;
    std::string error;
    const int job = SubmitSessionJob(session_, settings_.printerQueue, action.text, settings_.check,
                                     Where(action) + action.source + ": ", &note, &error);
    if (!note.empty()) Note(action, note);
    if (job <= 0) return Fail(action, RunOutcome::kBadInput, error);
    *out_ += FormatSubmittedJob(settings_.emit, job, settings_.printerQueue);
    return true;
  }

  bool Expect(const Action& action) {
    switch (action.kind) {
      case ActionKind::kExpectEnabled:
      case ActionKind::kExpectDisabled:
        return ExpectEnabled(action, action.kind == ActionKind::kExpectEnabled);
      case ActionKind::kExpectText:
        return ExpectText(action);
      case ActionKind::kExpectItem:
        return ExpectItem(action);
      case ActionKind::kExpectOption:
      case ActionKind::kExpectNoOption:
        return ExpectOption(action);
      case ActionKind::kExpectRows:
        return ExpectRows(action);
      case ActionKind::kExpectStatus:
        if (session_->lastStatus() == action.status) return true;
        return ExpectFailed(action, "the last call into the plug-in returned " +
                                        std::to_string(session_->lastStatus()));
      case ActionKind::kExpectLog:
        return ExpectLog(action);
      default:
        return ExpectFailed(action, "not an expectation");
    }
  }

  // The control an expectation looks at; null (and the run failed) when there is none.
  ControlRef ExpectedControl(const Action& action) {
    ControlRef control = session_->FindControl(action.control.id);
    if (control == nullptr) {
      ExpectFailed(action,
                   session_->paneShown() ? "the pane has no such control" : "no pane is shown");
    }
    return control;
  }

  bool ExpectEnabled(const Action& action, bool enabled) {
    ControlRef control = ExpectedControl(action);
    if (control == nullptr) return false;
    if (static_cast<bool>(IsControlEnabled(control)) == enabled) return true;
    return ExpectFailed(
        action, std::string(action.control.name) + " is " + (enabled ? "disabled" : "enabled"));
  }

  bool ExpectText(const Action& action) {
    ControlRef control = ExpectedControl(action);
    if (control == nullptr) return false;
    const std::string text = pde::SnapshotControl(control).text;
    if (text == action.text) return true;
    return ExpectFailed(action, std::string(action.control.name) + " holds " + Quoted(text));
  }

  bool ExpectItem(const Action& action) {
    ControlRef control = ExpectedControl(action);
    if (control == nullptr) return false;
    const SInt32 value = GetControl32BitValue(control);
    if (value == action.number) return true;
    return ExpectFailed(action,
                        std::string(action.control.name) + " shows item " + std::to_string(value));
  }

  bool ExpectOption(const Action& action) {
    OptionMap options;
    std::string error;
    if (!session_->PrintSettings(&options, &error)) {
      return Fail(action, RunOutcome::kBadInput, error);
    }
    const auto found = options.find(action.option);
    if (action.kind == ActionKind::kExpectNoOption) {
      if (found == options.end()) return true;
      return ExpectFailed(action, action.option + " is " + Quoted(found->second));
    }
    if (found == options.end()) return ExpectFailed(action, action.option + " is not set");
    if (found->second == action.text) return true;
    return ExpectFailed(action, action.option + " is " + Quoted(found->second));
  }

  bool ExpectRows(const Action& action) {
    SummaryRows rows;
    const OSStatus status = session_->Summary(&rows);
    if (status != noErr && session_->paneShown()) {
      return ExpectFailed(action, "GetSummaryText returned status " + std::to_string(status));
    }
    if (rows.size() == static_cast<size_t>(action.number)) return true;
    return ExpectFailed(action, "the summary has " + std::to_string(rows.size()) + " rows");
  }

  bool ExpectLog(const Action& action) {
    std::vector<std::string> messages;
    if (!pde::KeptLogMessages(&messages)) {
      return Fail(action, RunOutcome::kBadInput,
                  "expect log: this pdehost keeps no log (only its test build does)");
    }
    if (std::find(messages.begin(), messages.end(), action.text) != messages.end()) return true;
    return ExpectFailed(action, messages.empty()
                                    ? "the system log received nothing"
                                    : "the system log received only " + Quoted(messages.back()) +
                                          (messages.size() > 1 ? " and earlier messages" : ""));
  }

  const Script& script_;
  DialogSession* session_;
  const RunSettings& settings_;
  std::string* out_;
  std::ostream& notes_;
  RunResult result_;
};

}  // namespace

RunResult RunScript(const Script& script, DialogSession* session, const RunSettings& settings,
                    std::string* out, std::ostream& notes) {
  return Runner(script, session, settings, out, notes).Run();
}

}  // namespace pdehost
