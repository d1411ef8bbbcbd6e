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
  mnuFile = new QMenu(QStringLiteral("File"), parent);
  mnuFile->setObjectName("mnuFile");
  mnuRefresh = Entry(mnuFile, "mnuRefresh", "刷新(&R)");
  Line(mnuFile, "mnuLine2");
  mnuDetail = Entry(mnuFile, "mnuDetail", "详细(&D)");
  Line(mnuFile, "mnuLine3");
  mnuFace = Submenu(mnuFile, "mnuFace", "外观(&F)");
  const char* backgrounds[] = {"默认", "自选", "自动"};
  for (int i = 0; i < 3; ++i) {
    mnuBackGround[i] = Entry(mnuFace, "mnuBackGround", backgrounds[i], true);
    mnuBackGround[i]->setData(i);
  }
  mnuLine6 = Line(mnuFile, "mnuLine6");
  mnuLine6->setVisible(false);
  mnuStyle = Submenu(mnuFile, "mnuStyle", "风格(&S)");
  mnuDefault = Entry(mnuStyle, "mnuDefault", "缺省");
  Line(mnuStyle, "mnuLine4");
  mnuDesk = Entry(mnuStyle, "mnuDesk", "桌面", true);
  mnuTop = Entry(mnuStyle, "mnuTop", "顶端", true);
  mnuLock = Entry(mnuStyle, "mnuLock", "锁住", true);
  mnuTrans = Entry(mnuStyle, "mnuTrans", "穿透", true);
  mnuCity = Submenu(mnuFile, "mnuCity", "城市(&C)");
  mnuChoice = Entry(mnuCity, "mnuChoice", "选择");
  mnuCityList.push_back(Line(mnuCity, "mnuCityList"));
  mnuOptionMain = Submenu(mnuFile, "mnuOptionMain", "选项(&O)");
  mnuOption = Entry(mnuOptionMain, "mnuOption", "配置");
  Line(mnuOptionMain, "mnuLine7");
  mnuReadme = Entry(mnuOptionMain, "mnuReadme", "说明");
  mnuCheckUpdate = Entry(mnuOptionMain, "mnuCheckUpdate", "更新");
  Line(mnuOptionMain, "mnulinea");
  mnuAbout = Entry(mnuOptionMain, "mnuAbout", "关于");
  Line(mnuFile, "mnuLine1");
  mnuExit = Entry(mnuFile, "mnuExit", "退出(&X)");
}

void ControlMenu::SetCities(const WatchedCityList& cities) {
  while (mnuCityList.size() > 1) {
    QAction* a = mnuCityList.back();
    mnuCityList.pop_back();
    mnuCity->removeAction(a);
    a->deleteLater();
  }
  for (const WatchedCity& c : cities) {
    QAction* a = Entry(mnuCity, "mnuCityList", "", true);
    a->setText(QString::fromStdU16String(c.Name));
    a->setData(QString::fromStdU16String(c.Id));
    a->setChecked(c.Shown);
    mnuCityList.push_back(a);
  }
}

void ControlMenu::CheckBackground(int mode) {
  for (int i = 0; i < 3; ++i) mnuBackGround[i]->setChecked(i == mode);
}

int ControlMenu::CheckedBackground() const {
  for (int i = 0; i < 3; ++i)
    if (mnuBackGround[i]->isChecked()) return i;
  return -1;
}

}  // namespace nimbulux
