// "Waiting............": an empty window shown while a drive is read.
#pragma once

#include <QWidget>

namespace qx::utility {

class TSplashForm final : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);
};

}  // namespace qx::utility
