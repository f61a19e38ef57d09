// The toolkit's application object, made once for the window system.
#pragma once

#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace quillon::ui {

class qt_application {
  public:
    // Makes the QApplication with the program's name only, unless one exists already. When no
    // display can be opened, writes "cannot open the display: REASON" as one line on standard
    // error and ends the process with status 1: Qt gives up there with a fatal message, after
    // which no error can be returned.
    explicit qt_application(const char* program_name);
    ~qt_application();
    qt_application(const qt_application&) = delete;
    qt_application& operator=(const qt_application&) = delete;

  private:
    // argc and argv must outlive the QApplication, which keeps references to them.
    int argc_ = 1;
    std::string program_name_;
    std::vector<char*> argv_;
    std::unique_ptr<QApplication> application_;
};

}  // namespace quillon::ui
