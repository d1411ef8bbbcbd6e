// The popup menu of the control form: every command of the program, with the captions
// the user sees. The control form connects the entries to their handlers.
#pragma once

#include <QAction>
#include <QMenu>
#include <array>
#include <vector>

#include "weather/watched_city.h"

namespace nimbulux {

// Entries are named for what they do; each carries its form name (mnuRefresh,
// mnuTrans...) as its object name.
struct ControlMenu {
  QMenu* popup = nullptr;  // the popup menu itself (the invisible top-level entry)

  QAction* refresh = nullptr;
  QAction* details = nullptr;
  QMenu* backgroundMenu = nullptr;
  std::array<QAction*, 3> backgrounds{};
  QAction* hiddenSeparator = nullptr;  // between the appearance and style menus
  QMenu* styleMenu = nullptr;
  QAction* defaultStyle = nullptr;
  QAction* desktop = nullptr;
  QAction* onTop = nullptr;
  QAction* lock = nullptr;
  QAction* clickThrough = nullptr;
  QMenu* cityMenu = nullptr;
  QAction* chooseCity = nullptr;
  // Element 0 is the separator before the watched cities; element m stands for watched
  // city m (caption its name, data its code, checked when shown in the row).
  std::vector<QAction*> cities;
  QMenu* optionsMenu = nullptr;
  QAction* options = nullptr;
  QAction* readme = nullptr;
  QAction* checkUpdate = nullptr;
  QAction* about = nullptr;
  QAction* quit = nullptr;

  // Creates the whole tree, owned by parent.
  void Build(QWidget* parent);
  // Replaces elements 1..n of the city list by the watched cities.
  void SetCities(const WatchedCityList& watched);
  // Checks background element mode alone (none for a mode outside 0..2).
  void CheckBackground(int mode);
  // The first checked background element, or -1.
  int CheckedBackground() const;
};

}  // namespace nimbulux
