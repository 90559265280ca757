// Help on Windows: the platform's HTML Help viewer, loaded when the program starts.
#include "app/help_service.h"

#include <QWidget>

#include <windows.h>

namespace orb {
namespace {

// The viewer's entry point: HtmlHelpA(owner, file, command, data).
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr UINT kDisplayToc = 1;    // shows the table of contents
constexpr UINT kHelpContext = 15;  // shows the topic mapped to a context number

// Sends the requests to HHCtrl.ocx; does nothing when it cannot be loaded.
class WindowsHelp : public HelpService {
 public:
  explicit WindowsHelp(QWidget* owner) : owner_(owner) {
    library_ = LoadLibraryA("HHCtrl.ocx");
    if (library_ != nullptr) {
      htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(GetProcAddress(library_, "HtmlHelpA"));
    }
  }
  ~WindowsHelp() override {
    if (library_ != nullptr)
      FreeLibrary(library_);
  }
  void ShowContents(const QString& helpFile) override { Send(helpFile, kDisplayToc, 0); }
  void ShowContext(const QString& helpFile, int context) override {
    Send(helpFile, kHelpContext, static_cast<DWORD_PTR>(context));
  }

 private:
  // The viewer takes the file name in the ANSI code page, as the program's other texts.
  void Send(const QString& helpFile, UINT command, DWORD_PTR data) {
    if (htmlHelp_ == nullptr || helpFile.isEmpty())
      return;
    const QByteArray name = helpFile.toLocal8Bit();
    HWND owner = owner_ != nullptr ? reinterpret_cast<HWND>(owner_->winId()) : nullptr;
    htmlHelp_(owner, name.constData(), command, data);
  }

  QWidget* owner_;                       // the main window, owner of the viewer's window
  HMODULE library_ = nullptr;            // HHCtrl.ocx, when it could be loaded
  HtmlHelpFunction htmlHelp_ = nullptr;  // its entry point HtmlHelpA
};

}  // namespace

// The platform's help viewer.
std::unique_ptr<HelpService> CreatePlatformHelp(QWidget* owner) {
  return std::make_unique<WindowsHelp>(owner);
}

}  // namespace orb
