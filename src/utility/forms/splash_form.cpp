#include "utility/forms/splash_form.h"

namespace qx::utility {

TSplashForm::TSplashForm(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("SplashForm");
    setWindowTitle("Waiting............");
    setFixedSize(250, 59);
}

}  // namespace qx::utility
