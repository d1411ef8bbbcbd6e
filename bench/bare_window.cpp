// The yardstick for startup_bench: a bare Qt window of the widget's size that paints one
// line of Chinese text in the widget's CJK font (the same font files, found the same
// way), and creates the file named by BARE_WINDOW_PAINTED when it has painted for the
// first time.
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QWidget>

#include "core/setting_defaults.h"
#include "widget/widget_layout.h"

namespace {

class BareWindow : public QWidget {
 public:
  BareWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {
    font_ = QFont(QString::fromStdU16String(nimbulux::kDesignFontName), nimbulux::kDesignFontSize);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::darkBlue);
    painter.setPen(Qt::white);
    painter.setFont(font_);
    painter.drawText(QPoint(10, 20), QStringLiteral("北京 晴 5℃ 湿度40% 北风3级"));
    if (painted_) return;
    painted_ = true;
    QFile marker(qEnvironmentVariable("BARE_WINDOW_PAINTED"));
    if (marker.open(QIODevice::WriteOnly)) marker.close();
  }

 private:
  QFont font_;
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.setFixedSize(nimbulux::kWidgetWidthPx, nimbulux::kWidgetHeightPx);
  window.show();
  return QApplication::exec();
}
