#include "settings/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

#include "core/local_files.h"
#include "core/program_paths.h"
#include "core/twips.h"
#include "settings/autostart.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "tray/tray_colour_rules.h"

namespace nimbulux {
namespace {

QString Q(TextView text) { return QString::fromStdU16String(Text(text)); }
Text T16(const QString& text) { return text.toStdU16String(); }
Text Flag(int value) { return value > 0 ? u"1" : u"0"; }
int Checked(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

// A drop-down box that tells its owner before its list opens.
class DropDownBox final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> beforeDropDown;

  void showPopup() override {
    if (beforeDropDown) beforeDropDown();
    QComboBox::showPopup();
  }
};

// The tray colour rules drawn side by side in their colours, on the dialog's own face colour
// as a picture box of the dialog would be.
class RulePreviewBox final : public QWidget {
 public:
  RulePreviewBox(const Text& rules, QWidget* parent) : QWidget(parent), rules_(rules) {
    setMinimumHeight(fontMetrics().height() + 6);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::ClickFocus);
    // The drawn frame is the box's border; texts are placed inside it.
    setContentsMargins(1, 1, 1, 1);
  }
  std::function<void()> clicked;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // Positions in twips, each text's top-left corner at its position.
    const QFontMetricsF metrics(font());
    const auto measure = [&](TextView text) {
      return static_cast<int>(std::lround(metrics.horizontalAdvance(Q(text)) * kTwipsPerPixel));
    };
    const QPointF origin = contentsRect().topLeft();
    for (const RulePreviewText& item : RulePreview(rules_, measure)) {
      painter.setPen(QColor::fromRgb(static_cast<QRgb>(item.rgb)));
      painter.drawText(
          origin + QPointF(item.x, item.y) / kTwipsPerPixel + QPointF(0, metrics.ascent()),
          Q(item.text));
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && clicked) clicked();
  }

 private:
  const Text& rules_;
};

QLabel* NamedLabel(const char* name, const char* caption, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QCheckBox* NamedCheck(const char* name, const char* caption, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QPushButton* NamedButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  // Enter in a text box must not press a button that merely had the focus before.
  button->setAutoDefault(false);
  return button;
}

QLineEdit* NamedEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

}  // namespace

OptionsDialog::OptionsDialog(OptionsHost& host, QWidget* parent, CitySearchFunction search)
    : QDialog(parent), host_(host), cityFrame_(std::make_unique<CityFrame>(std::move(search))) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Nimbulux"));
  setModal(true);
  BuildControls();
  watchedList_.Reset(host_.WatchedCities());
  ShowWatchedList();
}

OptionsDialog::~OptionsDialog() = default;

QWidget* OptionsDialog::BuildRefreshFrame() {
  auto* frame = new QGroupBox(QStringLiteral("刷新"), this);
  frame->setObjectName(QStringLiteral("FrameRefresh"));
  auto* grid = new QGridLayout(frame);
  intervalEdit_ = NamedEdit("Text1", frame);
  intervalEdit_->setText(QStringLiteral("30"));
  intervalEdit_->setMaximumWidth(60);
  forecastWindowsEdit_ = NamedEdit("Text4", frame);
  auto* label8 = NamedLabel("Label8", "预报刷新时段:", frame);
  label8->setToolTip(QStringLiteral("只在此时间段自动更新预报信息"));
  grid->addWidget(NamedLabel("Label1", "刷新间隔:", frame), 0, 0);
  auto* interval = new QHBoxLayout;
  interval->addWidget(intervalEdit_);
  interval->addWidget(NamedLabel("Label9", "(分钟)", frame));
  interval->addStretch(1);
  grid->addLayout(interval, 0, 1);
  grid->addWidget(label8, 1, 0);
  grid->addWidget(forecastWindowsEdit_, 1, 1);
  frontBox_ = NamedCheck("Chk3", "刷新时前端显示", frame);
  grid->addWidget(frontBox_, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return frame;
}

QWidget* OptionsDialog::BuildSystemFrame() {
  auto* frame = new QGroupBox(QStringLiteral("系统"), this);
  frame->setObjectName(QStringLiteral("FrameSystem"));
  auto* grid = new QGridLayout(frame);
  updateAtStartBox_ = NamedCheck("Chk0", "启动时检查更新", frame);
  autostartBox_ = NamedCheck("Chk2", "开机自动运行", frame);
  grid->addWidget(updateAtStartBox_, 0, 0, 1, 2);
  grid->addWidget(autostartBox_, 1, 0, 1, 2);

  opacityBar_ = new QScrollBar(Qt::Horizontal, frame);
  opacityBar_->setObjectName(QStringLiteral("HScroll1"));
  opacityBar_->setRange(0, 255);
  opacityBar_->setSingleStep(1);
  opacityBar_->setPageStep(16);
  opacityBar_->setMinimumWidth(140);
  grid->addWidget(NamedLabel("Label11", "透明度:", frame), 2, 0);
  grid->addWidget(opacityBar_, 2, 1);

  cpuInTrayBox_ = NamedCheck("Check1", "托盘显示CPU利用率", frame);
  cpuInTrayBox_->setToolTip(QStringLiteral("有点无聊"));
  grid->addWidget(cpuInTrayBox_, 3, 0, 1, 2);

  auto* label4 = NamedLabel("Label4", "托盘颜色控制:", frame);
  label4->setToolTip(QStringLiteral("根据温度值在托盘显示不同的颜色"));
  grid->addWidget(label4, 4, 0, 1, 2);

  auto* preview = new RulePreviewBox(previewRules_, frame);
  preview->setObjectName(QStringLiteral("Picture1"));
  preview->clicked = [this] { EditRulesAsText(); };
  rulesPreview_ = preview;
  trayRulesEdit_ = NamedEdit("Text3", frame);
  applyRulesButton_ = NamedButton("Command3", "？", frame);
  applyRulesButton_->setFixedWidth(applyRulesButton_->sizeHint().height() + 8);
  auto* rules = new QHBoxLayout;
  rules->addWidget(rulesPreview_, 1);
  rules->addWidget(trayRulesEdit_, 1);
  rules->addWidget(applyRulesButton_);
  grid->addLayout(rules, 5, 0, 1, 2);
  trayRulesEdit_->hide();
  applyRulesButton_->hide();
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
  return frame;
}

QWidget* OptionsDialog::BuildWeatherFrame() {
  auto* frame = new QGroupBox(QStringLiteral("天气"), this);
  frame->setObjectName(QStringLiteral("FrameWeather"));
  auto* column = new QVBoxLayout(frame);
  showIndexBox_ = NamedCheck("Chk1", "显示天气指数", frame);
  showIndexBox_->setToolTip(QStringLiteral("包括生活指数,日出日落时间,当月历史气候概况"));
  saveIconsBox_ = NamedCheck("Chk4", "天气图片保存到本地", frame);
  saveIconsBox_->setToolTip(QStringLiteral("图片保存到Images目录"));
  severalCitiesBox_ = NamedCheck("Chk5", "同时显示多个城市", frame);
  severalCitiesBox_->setToolTip(QStringLiteral("在城市列表中选择(最多显示5个)"));
  column->addWidget(showIndexBox_);
  column->addWidget(saveIconsBox_);
  column->addWidget(severalCitiesBox_);
  column->addStretch(1);
  return frame;
}

QWidget* OptionsDialog::BuildCityFrame() {
  auto* frame = new QGroupBox(QStringLiteral("城市"), this);
  frame->setObjectName(QStringLiteral("FrameCity"));
  auto* row = new QHBoxLayout(frame);

  auto* chooser = new QGridLayout;
  auto* regions = new DropDownBox(frame);
  regions->setObjectName(QStringLiteral("Combo1"));
  regions->beforeDropDown = [this] { FillRegionBox(); };
  regionBox_ = regions;
  cityBox_ = new QComboBox(frame);
  cityBox_->setObjectName(QStringLiteral("Combo2"));
  for (QComboBox* box : {regionBox_, cityBox_}) {
    box->setMinimumWidth(130);
    box->setMaxVisibleItems(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  }
  cityNameEdit_ = NamedEdit("Text2", frame);
  homeCityLabel_ = NamedLabel("Label7", "我的城市", frame);
  homeCityLabel_->setFrameShape(QFrame::StyledPanel);
  homeCityLabel_->setMinimumWidth(100);
  setHomeCityButton_ = NamedButton("Command4", "设置我的城市(&S)", frame);
  chooser->addWidget(NamedLabel("Label2", "地区:", frame), 0, 0);
  chooser->addWidget(regionBox_, 0, 1);
  chooser->addWidget(NamedLabel("Label3", "城市:", frame), 1, 0);
  chooser->addWidget(cityBox_, 1, 1);
  chooser->addWidget(NamedLabel("Label6", "或输入城市名称:", frame), 2, 0, 1, 2);
  chooser->addWidget(cityNameEdit_, 3, 0, 1, 2);
  chooser->addWidget(homeCityLabel_, 4, 0, 1, 2);
  chooser->addWidget(setHomeCityButton_, 5, 0, 1, 2);
  chooser->setRowStretch(6, 1);
  chooser->setColumnStretch(1, 1);
  row->addLayout(chooser, 3);

  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  addWatchedButton_ = NamedButton("Command6", "添加>>", frame);
  removeWatchedButton_ = NamedButton("Command7", "删除<<", frame);
  moveUpButton_ = NamedButton("Command8_0", "↑上移", frame);
  moveDownButton_ = NamedButton("Command8_1", "下移↓", frame);
  for (QPushButton* button :
       {addWatchedButton_, removeWatchedButton_, moveUpButton_, moveDownButton_}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  row->addLayout(buttons);

  auto* watched = new QVBoxLayout;
  watched->addWidget(NamedLabel("Label5", "关注城市列表:", frame));
  watchedListBox_ = new QListWidget(frame);
  watchedListBox_->setObjectName(QStringLiteral("List1"));
  watchedListBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  watchedListBox_->setMinimumWidth(170);
  watched->addWidget(watchedListBox_, 1);
  row->addLayout(watched, 3);
  return frame;
}

void OptionsDialog::BuildControls() {
  auto* grid = new QGridLayout(this);
  grid->addWidget(BuildRefreshFrame(), 0, 0);
  grid->addWidget(BuildWeatherFrame(), 1, 0);
  grid->addWidget(BuildSystemFrame(), 0, 1, 2, 1);
  grid->addWidget(BuildCityFrame(), 2, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);

  okButton_ = NamedButton("Command1", "确定(&O)", this);
  cancelButton_ = NamedButton("Command2", "取消(&C)", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  grid->addLayout(buttons, 3, 0, 1, 2);

  connect(okButton_, &QPushButton::clicked, this, [this] { AcceptOptions(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelOptions(); });
  connect(applyRulesButton_, &QPushButton::clicked, this, [this] { ApplyTypedRules(); });
  connect(setHomeCityButton_, &QPushButton::clicked, this, [this] { SetHomeCity(); });
  connect(addWatchedButton_, &QPushButton::clicked, this, [this] { AddWatchedCity(); });
  connect(removeWatchedButton_, &QPushButton::clicked, this, [this] { RemoveWatchedCity(); });
  connect(moveUpButton_, &QPushButton::clicked, this, [this] { MoveWatchedCityUp(); });
  connect(moveDownButton_, &QPushButton::clicked, this, [this] { MoveWatchedCityDown(); });
  connect(opacityBar_, &QScrollBar::valueChanged, this,
          [this](int value) { host_.ApplyOpacity(value); });
  connect(regionBox_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { ChooseRegion(index); });
  connect(watchedListBox_, &QListWidget::currentRowChanged, this,
          [this](int row) { watchedList_.Select(row); });
  connect(watchedListBox_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    watchedList_.SetChecked(watchedListBox_->row(item), item->checkState() == Qt::Checked);
  });
  cityBox_->installEventFilter(this);
  cityNameEdit_->installEventFilter(this);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
  // A directory choice must not be overridden by a stale typed name.
  if (watched == cityBox_ && event->type() == QEvent::FocusIn) cityNameEdit_->clear();
  // Enter in the name box moves on to the set-my-city button without pressing it.
  if (watched == cityNameEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      setHomeCityButton_->setFocus(Qt::TabFocusReason);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void OptionsDialog::SetListButtonsEnabled(bool enabled) {
  for (QPushButton* button :
       {addWatchedButton_, removeWatchedButton_, moveUpButton_, moveDownButton_}) {
    button->setEnabled(enabled);
  }
}

void OptionsDialog::ShowWatchedList() {
  const QSignalBlocker blocker(watchedListBox_);
  watchedListBox_->clear();
  for (const WatchedLine& line : watchedList_.Lines()) {
    auto* item = new QListWidgetItem(Q(line.Line), watchedListBox_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(line.Checked ? Qt::Checked : Qt::Unchecked);
  }
  watchedListBox_->setCurrentRow(watchedList_.Selected());
}

void OptionsDialog::ShowPreview(const Text& rules) {
  previewRules_ = rules;
  trayRulesEdit_->hide();
  applyRulesButton_->hide();
  rulesPreview_->show();
  rulesPreview_->update();
}

void OptionsDialog::OpenOptionsDialog() {
  // Reached again from the tray menu while open: bring it forward instead of nesting.
  if (isVisible()) {
    raise();
    activateWindow();
    return;
  }
  // The dialog is the face of the control form, so it carries the form's caption
  // ("Nimbulux V" and the version once the start-up has set it).
  if (parentWidget()) setWindowTitle(parentWidget()->windowTitle());
  optionsChanged_ = false;
  const OptionsValues values = host_.Options();
  okButton_->setEnabled(!host_.CurrentCityId().empty());
  forecastWindowsEdit_->setText(Q(values.ForecastWindows));
  trayRulesEdit_->setText(Q(values.TrayColourRules));
  cityNameEdit_->clear();
  intervalEdit_->setText(Q(DecimalText(values.RefreshInterval)));
  homeCityLabel_->setText(Q(host_.CurrentCityName()));
  pendingHomeCityId_ = host_.CurrentCityId();
  opacityOnOpen_ = values.Opacity;
  {
    const QSignalBlocker blocker(opacityBar_);
    opacityBar_->setValue(values.Opacity);
  }
  cpuInTrayBox_->setChecked(values.TrayCpu > 0);
  severalCitiesBox_->setChecked(values.ShowSeveralCities > 0);
  updateAtStartBox_->setChecked(values.UpdateAtStart > 0);
  saveIconsBox_->setChecked(values.SaveIcons > 0);
  frontBox_->setChecked(values.Front > 0);
  showIndexBox_->setChecked(values.ViewMode == kIndexView);
  autostartBox_->setChecked(AutostartEnabled(OwnProgramFileName()));
  watchedList_.Reset(host_.WatchedCities());
  ShowWatchedList();
  ShowPreview(values.TrayColourRules);

  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  exec();
  hide();

  if (optionsChanged_) {
    host_.ShowNormalView();
    host_.RefreshWeather();
    optionsChanged_ = false;
  } else {
    host_.TrimWorkingSet();
  }
}

ChosenCity OptionsDialog::ResolveInput() const {
  return cityFrame_->Resolve(T16(cityNameEdit_->text()), cityBox_->currentIndex());
}

void OptionsDialog::ApplyHomeCity(const ChosenCity& city) {
  homeCityLabel_->setText(Q(city.Name));
  pendingHomeCityId_ = city.Id;
  cityNameEdit_->clear();
  cityBox_->setCurrentIndex(-1);
}

void OptionsDialog::AcceptOptions() {
  // The home city: a name typed but not yet confirmed is taken over as well.
  const ChosenCity chosen = ResolveInput();
  if (chosen.IsCity()) ApplyHomeCity(chosen);
  if (!pendingHomeCityId_.empty() && pendingHomeCityId_ != host_.CurrentCityId()) {
    host_.SetCurrentCityId(pendingHomeCityId_);
    StoreSetting(kSystemSection, settings_key::kLocalId, pendingHomeCityId_);
    pendingHomeCityId_.clear();
    optionsChanged_ = true;
  }

  // The watched list: a changed id or check mark needs a new row of cities.
  const WatchedCityList confirmed = host_.WatchedCities();
  const WatchedCityList edited = watchedList_.Cities();
  for (std::size_t i = 0; i < edited.size(); ++i) {
    if (i >= confirmed.size() || confirmed[i].Id != edited[i].Id ||
        confirmed[i].Shown != edited[i].Shown) {
      optionsChanged_ = true;
    }
  }
  host_.ApplyWatchedCities(edited);

  OptionsValues values = host_.Options();
  const Text rules = T16(trayRulesEdit_->text());
  if (rules != values.TrayColourRules) {
    values.TrayColourRules = rules;
    StoreSetting(kSystemSection, settings_key::kTrayColor, rules);
    optionsChanged_ = true;
  }
  const Text windows = T16(forecastWindowsEdit_->text());
  if (windows != values.ForecastWindows) {
    values.ForecastWindows = windows;
    StoreSetting(kSystemSection, settings_key::kForecast, windows);
    optionsChanged_ = true;
  }
  // An interval that rounds to less than a minute would refresh on every tick: ignored
  // like 0 and negative values.
  const double interval = LeadingNumber(T16(intervalEdit_->text()));
  if (interval != values.RefreshInterval && interval > 0) {
    const std::optional<std::int16_t> minutes = ToInt16(interval);
    if (minutes && *minutes >= 1) {
      values.RefreshInterval = *minutes;
      StoreSetting(kSystemSection, settings_key::kTime, DecimalText(*minutes));
      optionsChanged_ = true;
    }
  }
  const int viewMode = showIndexBox_->isChecked() ? kIndexView : kFiveColumnsView;
  if (values.ViewMode != viewMode) {
    values.ViewMode = viewMode;
    StoreSetting(kSystemSection, settings_key::kShowIndex, Flag(Checked(showIndexBox_)));
    optionsChanged_ = true;
  }

  WriteAutostart(autostartBox_->isChecked(), OwnProgramFileName());

  if (values.SaveIcons != Checked(saveIconsBox_)) {
    values.SaveIcons = Checked(saveIconsBox_);
    WriteOptionSetting(settings_key::kSave, Flag(values.SaveIcons));
  }
  if (values.SaveIcons != 0) MakeFolders(Paths().ImagesDir());
  if (values.Front != Checked(frontBox_)) {
    values.Front = Checked(frontBox_);
    WriteOptionSetting(settings_key::kFront, Flag(values.Front));
  }
  if (values.ShowSeveralCities != Checked(severalCitiesBox_)) {
    optionsChanged_ = true;
    values.ShowSeveralCities = Checked(severalCitiesBox_);
    WriteOptionSetting(settings_key::kMulti, Flag(values.ShowSeveralCities));
  }
  if (values.UpdateAtStart != Checked(updateAtStartBox_)) {
    values.UpdateAtStart = Checked(updateAtStartBox_);
    StoreSetting(kSystemSection, settings_key::kUpdate, Flag(values.UpdateAtStart));
  }
  if (values.TrayCpu != Checked(cpuInTrayBox_)) {
    values.TrayCpu = Checked(cpuInTrayBox_);
    WriteOptionSetting(settings_key::kTrayCpu, Flag(values.TrayCpu));
    // The refresh below reads the new values.
    host_.SetOptions(values);
    if (values.TrayCpu < 1) {
      host_.SetCpuDisplay(false);
      host_.MarkRefreshDue();
      host_.RefreshWeather();
    } else {
      host_.SetCpuDisplay(true);
    }
    values = host_.Options();
  }
  if (values.Opacity != opacityOnOpen_) {
    values.Opacity = opacityBar_->value();
    StoreSetting(kSystemSection, settings_key::kAlpha, DecimalText(kOpaque - values.Opacity));
  }
  host_.SetOptions(values);
  accept();
}

void OptionsDialog::CancelOptions() { reject(); }

void OptionsDialog::reject() {
  if (opacityBar_->value() != opacityOnOpen_) opacityBar_->setValue(opacityOnOpen_);
  QDialog::reject();
  watchedList_.Reset(host_.WatchedCities());
  ShowWatchedList();
}

void OptionsDialog::ApplyTypedRules() {
  ShowPreview(T16(trayRulesEdit_->text()));
  // The focus leaves the hidden text box and button for the preview.
  rulesPreview_->setFocus(Qt::OtherFocusReason);
}

void OptionsDialog::EditRulesAsText() {
  rulesPreview_->hide();
  trayRulesEdit_->show();
  applyRulesButton_->show();
  trayRulesEdit_->setFocus(Qt::OtherFocusReason);
}

void OptionsDialog::SetHomeCity() {
  const ChosenCity chosen = ResolveInput();
  if (chosen.IsCity()) ApplyHomeCity(chosen);
  if (!pendingHomeCityId_.empty() && !okButton_->isEnabled()) okButton_->setEnabled(true);
}

void OptionsDialog::AddWatchedCity() {
  const ChosenCity chosen = ResolveInput();
  if (!chosen.IsCity() || !watchedList_.Add(chosen)) return;
  cityBox_->setCurrentIndex(-1);
  cityNameEdit_->clear();
  ShowWatchedList();
}

void OptionsDialog::RemoveWatchedCity() {
  if (watchedList_.RemoveSelected()) ShowWatchedList();
}

void OptionsDialog::MoveWatchedCityUp() {
  if (watchedList_.MoveSelectedUp()) ShowWatchedList();
}

void OptionsDialog::MoveWatchedCityDown() {
  if (watchedList_.MoveSelectedDown()) ShowWatchedList();
}

void OptionsDialog::FillRegionBox() {
  const bool firstTime = !cityFrame_->DirectoryLoaded();
  const std::vector<RegionEntry>& regions = cityFrame_->Regions();
  if (!firstTime && regionBox_->count() == static_cast<int>(regions.size())) return;
  const QSignalBlocker blocker(regionBox_);
  regionBox_->clear();
  for (const RegionEntry& region : regions) regionBox_->addItem(Q(region.Name));
  regionBox_->setCurrentIndex(cityFrame_->ChosenRegion());
}

void OptionsDialog::ChooseRegion(int index) {
  cityFrame_->ChooseRegion(index);
  const QSignalBlocker blocker(cityBox_);
  cityBox_->clear();
  for (const ListedCity& city : cityFrame_->Cities()) cityBox_->addItem(Q(city.Name));
  cityBox_->setCurrentIndex(-1);
}

}  // namespace nimbulux
