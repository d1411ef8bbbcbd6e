#include "app/control_menu.h"

namespace nimbulux {

namespace {

QAction* Entry(QMenu* menu, const char* name, const char* caption, bool checkable = false) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(QString::fromUtf8(name));
  a->setCheckable(checkable);
  return a;
}

QAction* Line(QMenu* menu, const char* name) {
  QAction* a = menu->addSeparator();
  a->setObjectName(QString::fromUtf8(name));
  return a;
}

QMenu* Submenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(QString::fromUtf8(caption));
  sub->setObjectName(QString::fromUtf8(name));
  sub->menuAction()->setObjectName(QString::fromUtf8(name));
  return sub;
}

}  // namespace

void ControlMenu::Build(QWidget* parent) {
  popup = new QMenu(QStringLiteral("File"), parent);
  popup->setObjectName("mnuFile");
  refresh = Entry(popup, "mnuRefresh", "刷新(&R)");
  Line(popup, "mnuLine2");
  details = Entry(popup, "mnuDetail", "详细(&D)");
  Line(popup, "mnuLine3");
  backgroundMenu = Submenu(popup, "mnuFace", "外观(&F)");
  const char* captions[] = {"默认", "自选", "自动"};
  for (int i = 0; i < 3; ++i) {
    backgrounds[i] = Entry(backgroundMenu, "mnuBackGround", captions[i], true);
    backgrounds[i]->setData(i);
  }
  hiddenSeparator = Line(popup, "mnuLine6");
  hiddenSeparator->setVisible(false);
  styleMenu = Submenu(popup, "mnuStyle", "风格(&S)");
  defaultStyle = Entry(styleMenu, "mnuDefault", "缺省");
  Line(styleMenu, "mnuLine4");
  desktop = Entry(styleMenu, "mnuDesk", "桌面", true);
  onTop = Entry(styleMenu, "mnuTop", "顶端", true);
  lock = Entry(styleMenu, "mnuLock", "锁住", true);
  clickThrough = Entry(styleMenu, "mnuTrans", "穿透", true);
  cityMenu = Submenu(popup, "mnuCity", "城市(&C)");
  chooseCity = Entry(cityMenu, "mnuChoice", "选择");
  cities.push_back(Line(cityMenu, "mnuCityList"));
  optionsMenu = Submenu(popup, "mnuOptionMain", "选项(&O)");
  options = Entry(optionsMenu, "mnuOption", "配置");
  Line(optionsMenu, "mnuLine7");
  readme = Entry(optionsMenu, "mnuReadme", "说明");
  checkUpdate = Entry(optionsMenu, "mnuCheckUpdate", "更新");
  Line(optionsMenu, "mnulinea");
  about = Entry(optionsMenu, "mnuAbout", "关于");
  Line(popup, "mnuLine1");
  quit = Entry(popup, "mnuExit", "退出(&X)");
}

void ControlMenu::SetCities(const WatchedCityList& watched) {
  while (cities.size() > 1) {
    QAction* a = cities.back();
    cities.pop_back();
    cityMenu->removeAction(a);
    a->deleteLater();
  }
  for (const WatchedCity& c : watched) {
    QAction* a = Entry(cityMenu, "mnuCityList", "", true);
    a->setText(QString::fromStdU16String(c.Name));
    a->setData(QString::fromStdU16String(c.Id));
    a->setChecked(c.Shown);
    cities.push_back(a);
  }
}

void ControlMenu::CheckBackground(int mode) {
  for (int i = 0; i < 3; ++i) backgrounds[i]->setChecked(i == mode);
}

int ControlMenu::CheckedBackground() const {
  for (int i = 0; i < 3; ++i)
    if (backgrounds[i]->isChecked()) return i;
  return -1;
}

}  // namespace nimbulux
