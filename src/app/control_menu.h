// The popup menu of the control form: every command of the program, with the captions
// the user sees. The control form connects the entries to their handlers.
#pragma once

#include <QAction>
#include <QMenu>
#include <array>
#include <vector>

#include "weather/watched_city.h"

namespace nimbulux {

struct ControlMenu {
  QMenu* mnuFile = nullptr;  // the popup menu itself (the invisible top-level entry)

  QAction* mnuRefresh = nullptr;
  QAction* mnuDetail = nullptr;
  QMenu* mnuFace = nullptr;
  std::array<QAction*, 3> mnuBackGround{};
  QAction* mnuLine6 = nullptr;
  QMenu* mnuStyle = nullptr;
  QAction* mnuDefault = nullptr;
  QAction* mnuDesk = nullptr;
  QAction* mnuTop = nullptr;
  QAction* mnuLock = nullptr;
  QAction* mnuTrans = nullptr;
  QMenu* mnuCity = nullptr;
  QAction* mnuChoice = nullptr;
  // Element 0 is the separator before the watched cities; element m stands for watched
  // city m (caption its name, data its code, checked when shown in the row).
  std::vector<QAction*> mnuCityList;
  QMenu* mnuOptionMain = nullptr;
  QAction* mnuOption = nullptr;
  QAction* mnuReadme = nullptr;
  QAction* mnuCheckUpdate = nullptr;
  QAction* mnuAbout = nullptr;
  QAction* mnuExit = nullptr;

  // Creates the whole tree, owned by parent.
  void Build(QWidget* parent);
  // Replaces elements 1..n of the city list by the watched cities.
  void SetCities(const WatchedCityList& cities);
  // Checks background element mode alone (none for a mode outside 0..2).
  void CheckBackground(int mode);
  // The first checked background element, or -1.
  int CheckedBackground() const;
};

}  // namespace nimbulux
