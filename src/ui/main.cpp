#include "ui/main_form.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orv Config");
  QApplication::setApplicationDisplayName("Orv Config");
  QFont::insertSubstitution("Arial", "Liberation Sans");

  TMainForm form;
  if (!form.FormCreate()) {
    form.abort_sequence();
    return 1;
  }
  form.show();
  const int rc = app.exec();
  form.shutdown_sequence();
  return rc;
}
