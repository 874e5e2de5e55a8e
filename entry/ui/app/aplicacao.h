#pragma once
#include <QApplication>

// The entry program's application object: every error that no window caught
// ends here and is shown with the support line; the program goes on.
class OrvaApplication : public QApplication {
public:
    OrvaApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

namespace orva {
// Loads Qt's Brazilian Portuguese texts, so standard buttons read "Sim" / "Não".
void loadPortugueseTranslations(QCoreApplication &app);
} // namespace orva
