// The yardstick for startup_bench: a bare Qt window of the widget's size that creates
// the file named by BARE_WINDOW_PAINTED when it has painted for the first time.
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QWidget>

namespace {

class BareWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), Qt::darkBlue);
    if (painted_) return;
    painted_ = true;
    QFile marker(qEnvironmentVariable("BARE_WINDOW_PAINTED"));
    if (marker.open(QIODevice::WriteOnly)) marker.close();
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  BareWindow window;
  window.resize(300, 205);
  window.show();
  return QApplication::exec();
}
