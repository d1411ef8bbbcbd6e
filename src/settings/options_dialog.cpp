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

#include "app/startup_rules.h"
#include "core/local_files.h"
#include "core/program_paths.h"
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
  text1_ = NamedEdit("Text1", frame);
  text1_->setText(QStringLiteral("30"));
  text1_->setMaximumWidth(60);
  text4_ = NamedEdit("Text4", frame);
  auto* label8 = NamedLabel("Label8", "预报刷新时段:", frame);
  label8->setToolTip(QStringLiteral("只在此时间段自动更新预报信息"));
  grid->addWidget(NamedLabel("Label1", "刷新间隔:", frame), 0, 0);
  auto* interval = new QHBoxLayout;
  interval->addWidget(text1_);
  interval->addWidget(NamedLabel("Label9", "(分钟)", frame));
  interval->addStretch(1);
  grid->addLayout(interval, 0, 1);
  grid->addWidget(label8, 1, 0);
  grid->addWidget(text4_, 1, 1);
  chk_[3] = NamedCheck("Chk3", "刷新时前端显示", frame);
  grid->addWidget(chk_[3], 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return frame;
}

QWidget* OptionsDialog::BuildSystemFrame() {
  auto* frame = new QGroupBox(QStringLiteral("系统"), this);
  frame->setObjectName(QStringLiteral("FrameSystem"));
  auto* grid = new QGridLayout(frame);
  chk_[0] = NamedCheck("Chk0", "启动时检查更新", frame);
  chk_[2] = NamedCheck("Chk2", "开机自动运行", frame);
  grid->addWidget(chk_[0], 0, 0, 1, 2);
  grid->addWidget(chk_[2], 1, 0, 1, 2);

  hScroll1_ = new QScrollBar(Qt::Horizontal, frame);
  hScroll1_->setObjectName(QStringLiteral("HScroll1"));
  hScroll1_->setRange(0, 255);
  hScroll1_->setSingleStep(1);
  hScroll1_->setPageStep(16);
  hScroll1_->setMinimumWidth(140);
  grid->addWidget(NamedLabel("Label11", "透明度:", frame), 2, 0);
  grid->addWidget(hScroll1_, 2, 1);

  check1_ = NamedCheck("Check1", "托盘显示CPU利用率", frame);
  check1_->setToolTip(QStringLiteral("有点无聊"));
  grid->addWidget(check1_, 3, 0, 1, 2);

  auto* label4 = NamedLabel("Label4", "托盘颜色控制:", frame);
  label4->setToolTip(QStringLiteral("根据温度值在托盘显示不同的颜色"));
  grid->addWidget(label4, 4, 0, 1, 2);

  auto* preview = new RulePreviewBox(previewRules_, frame);
  preview->setObjectName(QStringLiteral("Picture1"));
  preview->clicked = [this] { Picture1Click(); };
  picture1_ = preview;
  text3_ = NamedEdit("Text3", frame);
  commands_[2] = NamedButton("Command3", "？", frame);
  commands_[2]->setFixedWidth(commands_[2]->sizeHint().height() + 8);
  auto* rules = new QHBoxLayout;
  rules->addWidget(picture1_, 1);
  rules->addWidget(text3_, 1);
  rules->addWidget(commands_[2]);
  grid->addLayout(rules, 5, 0, 1, 2);
  text3_->hide();
  commands_[2]->hide();
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(6, 1);
  return frame;
}

QWidget* OptionsDialog::BuildWeatherFrame() {
  auto* frame = new QGroupBox(QStringLiteral("天气"), this);
  frame->setObjectName(QStringLiteral("FrameWeather"));
  auto* column = new QVBoxLayout(frame);
  chk_[1] = NamedCheck("Chk1", "显示天气指数", frame);
  chk_[1]->setToolTip(QStringLiteral("包括生活指数,日出日落时间,当月历史气候概况"));
  chk_[4] = NamedCheck("Chk4", "天气图片保存到本地", frame);
  chk_[4]->setToolTip(QStringLiteral("图片保存到Images目录"));
  chk_[5] = NamedCheck("Chk5", "同时显示多个城市", frame);
  chk_[5]->setToolTip(QStringLiteral("在城市列表中选择(最多显示5个)"));
  column->addWidget(chk_[1]);
  column->addWidget(chk_[4]);
  column->addWidget(chk_[5]);
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
  regions->beforeDropDown = [this] { Combo1DropDown(); };
  combo1_ = regions;
  combo2_ = new QComboBox(frame);
  combo2_->setObjectName(QStringLiteral("Combo2"));
  for (QComboBox* box : {combo1_, combo2_}) {
    box->setMinimumWidth(130);
    box->setMaxVisibleItems(20);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  }
  text2_ = NamedEdit("Text2", frame);
  label7_ = NamedLabel("Label7", "我的城市", frame);
  label7_->setFrameShape(QFrame::StyledPanel);
  label7_->setMinimumWidth(100);
  commands_[3] = NamedButton("Command4", "设置我的城市(&S)", frame);
  chooser->addWidget(NamedLabel("Label2", "地区:", frame), 0, 0);
  chooser->addWidget(combo1_, 0, 1);
  chooser->addWidget(NamedLabel("Label3", "城市:", frame), 1, 0);
  chooser->addWidget(combo2_, 1, 1);
  chooser->addWidget(NamedLabel("Label6", "或输入城市名称:", frame), 2, 0, 1, 2);
  chooser->addWidget(text2_, 3, 0, 1, 2);
  chooser->addWidget(label7_, 4, 0, 1, 2);
  chooser->addWidget(commands_[3], 5, 0, 1, 2);
  chooser->setRowStretch(6, 1);
  chooser->setColumnStretch(1, 1);
  row->addLayout(chooser, 3);

  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  commands_[5] = NamedButton("Command6", "添加>>", frame);
  commands_[6] = NamedButton("Command7", "删除<<", frame);
  command8_[0] = NamedButton("Command8_0", "↑上移", frame);
  command8_[1] = NamedButton("Command8_1", "下移↓", frame);
  for (QPushButton* button : {commands_[5], commands_[6], command8_[0], command8_[1]}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  row->addLayout(buttons);

  auto* watched = new QVBoxLayout;
  watched->addWidget(NamedLabel("Label5", "关注城市列表:", frame));
  list1_ = new QListWidget(frame);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->setSelectionMode(QAbstractItemView::SingleSelection);
  list1_->setMinimumWidth(170);
  watched->addWidget(list1_, 1);
  row->addLayout(watched, 3);
  return frame;
}

void OptionsDialog::BuildControls() {
  chk_.assign(6, nullptr);
  commands_.assign(7, nullptr);
  command8_.assign(2, nullptr);

  auto* grid = new QGridLayout(this);
  grid->addWidget(BuildRefreshFrame(), 0, 0);
  grid->addWidget(BuildWeatherFrame(), 1, 0);
  grid->addWidget(BuildSystemFrame(), 0, 1, 2, 1);
  grid->addWidget(BuildCityFrame(), 2, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);

  commands_[0] = NamedButton("Command1", "确定(&O)", this);
  commands_[1] = NamedButton("Command2", "取消(&C)", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(commands_[0]);
  buttons->addWidget(commands_[1]);
  grid->addLayout(buttons, 3, 0, 1, 2);

  connect(commands_[0], &QPushButton::clicked, this, [this] { Command1Click(); });
  connect(commands_[1], &QPushButton::clicked, this, [this] { Command2Click(); });
  connect(commands_[2], &QPushButton::clicked, this, [this] { Command3Click(); });
  connect(commands_[3], &QPushButton::clicked, this, [this] { Command4Click(); });
  connect(commands_[5], &QPushButton::clicked, this, [this] { Command6Click(); });
  connect(commands_[6], &QPushButton::clicked, this, [this] { Command7Click(); });
  connect(command8_[0], &QPushButton::clicked, this, [this] { Command8Click(0); });
  connect(command8_[1], &QPushButton::clicked, this, [this] { Command8Click(1); });
  connect(hScroll1_, &QScrollBar::valueChanged, this,
          [this](int value) { host_.ApplyOpacity(value); });
  connect(combo1_, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { Combo1Click(index); });
  connect(list1_, &QListWidget::currentRowChanged, this,
          [this](int row) { watchedList_.Select(row); });
  connect(list1_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    watchedList_.SetChecked(list1_->row(item), item->checkState() == Qt::Checked);
  });
  combo2_->installEventFilter(this);
  text2_->installEventFilter(this);
}

QPushButton* OptionsDialog::Command(int number) const {
  if (number < 1 || number > 7) return nullptr;
  return commands_[static_cast<std::size_t>(number - 1)];
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
  // A directory choice must not be overridden by a stale typed name.
  if (watched == combo2_ && event->type() == QEvent::FocusIn) text2_->clear();
  // Enter in the name box moves on to the set-my-city button without pressing it.
  if (watched == text2_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      commands_[3]->setFocus(Qt::TabFocusReason);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void OptionsDialog::SetListButtonsEnabled(bool enabled) {
  for (QPushButton* button : {commands_[5], commands_[6], command8_[0], command8_[1]}) {
    button->setEnabled(enabled);
  }
}

void OptionsDialog::ShowWatchedList() {
  const QSignalBlocker blocker(list1_);
  list1_->clear();
  for (const WatchedLine& line : watchedList_.Lines()) {
    auto* item = new QListWidgetItem(Q(line.Line), list1_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(line.Checked ? Qt::Checked : Qt::Unchecked);
  }
  list1_->setCurrentRow(watchedList_.Selected());
}

void OptionsDialog::ShowPreview(const Text& rules) {
  previewRules_ = rules;
  text3_->hide();
  commands_[2]->hide();
  picture1_->show();
  picture1_->update();
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
  commands_[0]->setEnabled(!host_.CurrentCityId().empty());
  text4_->setText(Q(values.ForecastWindows));
  text3_->setText(Q(values.TrayColourRules));
  text2_->clear();
  text1_->setText(Q(DecimalText(values.RefreshInterval)));
  label7_->setText(Q(host_.CurrentCityName()));
  label7Tag_ = host_.CurrentCityId();
  opacityOnOpen_ = values.Opacity;
  {
    const QSignalBlocker blocker(hScroll1_);
    hScroll1_->setValue(values.Opacity);
  }
  check1_->setChecked(values.TrayCpu > 0);
  chk_[5]->setChecked(values.ShowSeveralCities > 0);
  chk_[0]->setChecked(values.UpdateAtStart > 0);
  chk_[4]->setChecked(values.SaveIcons > 0);
  chk_[3]->setChecked(values.Front > 0);
  chk_[1]->setChecked(values.ViewMode == 2);
  chk_[2]->setChecked(AutostartEnabled(OwnProgramFileName()));
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
  return cityFrame_->Resolve(T16(text2_->text()), combo2_->currentIndex());
}

void OptionsDialog::ApplyHomeCity(const ChosenCity& city) {
  label7_->setText(Q(city.Name));
  label7Tag_ = city.Id;
  text2_->clear();
  combo2_->setCurrentIndex(-1);
}

void OptionsDialog::Command1Click() {
  // The home city: a name typed but not yet confirmed is taken over as well.
  const ChosenCity chosen = ResolveInput();
  if (chosen.IsCity()) ApplyHomeCity(chosen);
  if (!label7Tag_.empty() && label7Tag_ != host_.CurrentCityId()) {
    host_.SetCurrentCityId(label7Tag_);
    StoreSetting(kSystemSection, settings_key::kLocalId, label7Tag_);
    label7Tag_.clear();
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
  const Text rules = T16(text3_->text());
  if (rules != values.TrayColourRules) {
    values.TrayColourRules = rules;
    StoreSetting(kSystemSection, settings_key::kTrayColor, rules);
    optionsChanged_ = true;
  }
  const Text windows = T16(text4_->text());
  if (windows != values.ForecastWindows) {
    values.ForecastWindows = windows;
    StoreSetting(kSystemSection, settings_key::kForecast, windows);
    optionsChanged_ = true;
  }
  // An interval that rounds to less than a minute would refresh on every tick: ignored
  // like 0 and negative values.
  const double interval = LeadingNumber(T16(text1_->text()));
  if (interval != values.RefreshInterval && interval > 0) {
    const std::optional<std::int16_t> minutes = ToInt16(interval);
    if (minutes && *minutes >= 1) {
      values.RefreshInterval = *minutes;
      StoreSetting(kSystemSection, settings_key::kTime, DecimalText(*minutes));
      optionsChanged_ = true;
    }
  }
  const int viewMode = chk_[1]->isChecked() ? 2 : 4;
  if (values.ViewMode != viewMode) {
    values.ViewMode = viewMode;
    StoreSetting(kSystemSection, settings_key::kShowIndex, Flag(Checked(chk_[1])));
    optionsChanged_ = true;
  }

  WriteAutostart(chk_[2]->isChecked(), OwnProgramFileName());

  if (values.SaveIcons != Checked(chk_[4])) {
    values.SaveIcons = Checked(chk_[4]);
    WriteOptionSetting(settings_key::kSave, Flag(values.SaveIcons));
  }
  if (values.SaveIcons != 0) MakeFolders(Paths().ImagesDir());
  if (values.Front != Checked(chk_[3])) {
    values.Front = Checked(chk_[3]);
    WriteOptionSetting(settings_key::kFront, Flag(values.Front));
  }
  if (values.ShowSeveralCities != Checked(chk_[5])) {
    optionsChanged_ = true;
    values.ShowSeveralCities = Checked(chk_[5]);
    WriteOptionSetting(settings_key::kMulti, Flag(values.ShowSeveralCities));
  }
  if (values.UpdateAtStart != Checked(chk_[0])) {
    values.UpdateAtStart = Checked(chk_[0]);
    StoreSetting(kSystemSection, settings_key::kUpdate, Flag(values.UpdateAtStart));
  }
  if (values.TrayCpu != Checked(check1_)) {
    values.TrayCpu = Checked(check1_);
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
    values.Opacity = hScroll1_->value();
    StoreSetting(kSystemSection, settings_key::kAlpha, DecimalText(255 - values.Opacity));
  }
  host_.SetOptions(values);
  accept();
}

void OptionsDialog::Command2Click() { reject(); }

void OptionsDialog::reject() {
  if (hScroll1_->value() != opacityOnOpen_) hScroll1_->setValue(opacityOnOpen_);
  QDialog::reject();
  watchedList_.Reset(host_.WatchedCities());
  ShowWatchedList();
}

void OptionsDialog::Command3Click() {
  ShowPreview(T16(text3_->text()));
  // The focus leaves the hidden text box and button for the preview.
  picture1_->setFocus(Qt::OtherFocusReason);
}

void OptionsDialog::Picture1Click() {
  picture1_->hide();
  text3_->show();
  commands_[2]->show();
  text3_->setFocus(Qt::OtherFocusReason);
}

void OptionsDialog::Command4Click() {
  const ChosenCity chosen = ResolveInput();
  if (chosen.IsCity()) ApplyHomeCity(chosen);
  if (!label7Tag_.empty() && !commands_[0]->isEnabled()) commands_[0]->setEnabled(true);
}

void OptionsDialog::Command6Click() {
  const ChosenCity chosen = ResolveInput();
  if (!chosen.IsCity() || !watchedList_.Add(chosen)) return;
  combo2_->setCurrentIndex(-1);
  text2_->clear();
  ShowWatchedList();
}

void OptionsDialog::Command7Click() {
  if (watchedList_.RemoveSelected()) ShowWatchedList();
}

void OptionsDialog::Command8Click(int index) {
  const bool moved = index == 0 ? watchedList_.MoveSelectedUp() : watchedList_.MoveSelectedDown();
  if (moved) ShowWatchedList();
}

void OptionsDialog::Combo1DropDown() {
  const bool firstTime = !cityFrame_->DirectoryLoaded();
  const std::vector<RegionEntry>& regions = cityFrame_->Regions();
  if (!firstTime && combo1_->count() == static_cast<int>(regions.size())) return;
  const QSignalBlocker blocker(combo1_);
  combo1_->clear();
  for (const RegionEntry& region : regions) combo1_->addItem(Q(region.Name));
  combo1_->setCurrentIndex(cityFrame_->ChosenRegion());
}

void OptionsDialog::Combo1Click(int index) {
  cityFrame_->ChooseRegion(index);
  const QSignalBlocker blocker(combo2_);
  combo2_->clear();
  for (const ListedCity& city : cityFrame_->Cities()) combo2_->addItem(Q(city.Name));
  combo2_->setCurrentIndex(-1);
}

}  // namespace nimbulux
