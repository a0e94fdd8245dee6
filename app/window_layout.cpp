#include "app/window_layout.h"

#include <algorithm>

#include "app/build_config.h"

namespace animal_ids {
namespace {

constexpr WindowDescription kWindow{
    "青岚舍--QQ牧场动物ID查询", 308, 454, 50, 50, 236, 236, 236,
};

using enum Control;
using enum ControlKind;

// Stacking from top to bottom; the hyperlink lies over the label's last 8 rows.
constexpr std::array<ControlDescription, 12> kControls{{
    {超级链接框1, kHyperLinker, 8, 392, 288, 30,
     "青岚舍软件下载地址（点击进入）  QQ:" ANIMAL_IDS_CONTACT_NUMBER, false, false, false,
     Align::kCenter},
    {标签2, kLabel, 8, 352, 288, 48,
     "当前动物ID数值115，如有新动物出现请自行填写更新\r\n\r\n"
     "譬如当前115如果查询不出新动物ID可填写116,117...",
     true, false, true, Align::kLeft},
    {编辑框6, kEditBox, 8, 320, 56, 24, "115", false, false, false, Align::kCenter},
    {按钮4, kButton, 8, 8, 80, 30, "获取动物ID", false, false, true, Align::kCenter},
    {标签1, kLabel, 192, 8, 48, 32, "动物种数", false, false, false, Align::kLeft},
    {编辑框5, kEditBox, 232, 320, 56, 24, "", false, false, false, Align::kCenter},
    {按钮3, kButton, 104, 8, 80, 30, "保存动物信息", false, false, true, Align::kCenter},
    {按钮2, kButton, 160, 318, 64, 30, "查询ID", false, false, true, Align::kCenter},
    {编辑框4, kEditBox, 248, 12, 48, 24, "", false, false, false, Align::kLeft},
    // Lies wholly right of the client area: never seen, but in the tab order.
    {编辑框3, kEditBox, 424, 176, 80, 24, "", true, false, true, Align::kLeft},
    {编辑框2, kEditBox, 80, 320, 72, 24, "羊", false, false, false, Align::kCenter},
    {编辑框1, kEditBox, 8, 48, 288, 264, "", true, true, true, Align::kLeft},
}};

constexpr std::array<Control, 9> kTabOrder{
    编辑框1, 编辑框2, 编辑框3, 编辑框4, 按钮2, 按钮3, 编辑框5, 按钮4, 编辑框6,
};

}  // namespace

const WindowDescription& MainWindowDescription() { return kWindow; }

std::span<const ControlDescription> MainWindowControls() { return kControls; }

std::span<const Control> MainWindowTabOrder() { return kTabOrder; }

const ControlDescription& DescriptionOf(Control control) {
  return *std::find_if(kControls.begin(), kControls.end(),
                       [control](const ControlDescription& d) { return d.control == control; });
}

const char* DownloadPageUrl() { return ANIMAL_IDS_DOWNLOAD_PAGE; }

}  // namespace animal_ids
