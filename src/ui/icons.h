// The program's pictures, painted in code: the tool bar images (each
// command enabled and greyed), the four status images of a device panel and
// the application icon. Every picture is drawn on a 24-unit grid and
// rendered for 1x and 2x device pixel ratios, so it stays crisp on high
// density screens. The pictures are painted once, on first use, and kept.
//
// User-interface thread only (a QGuiApplication must exist).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// Tool bar commands, in the order of their images: command k has image 2k
// (enabled) and 2k + 1 (greyed).
enum class tool_cmd_t : int {
  LOAD_CFG,    // tcmd_load: load configuration (open folder)
  SAVE_CFG,    // tcmd_save: save configuration (disk)
  NEW_DEVICE,  // tcmd_new_dev: add new device
  READ_CFG,    // tcmd_rd_cfg: download the device configuration
  WRITE_CFG,   // tcmd_wr_cfg: program the device with the current configuration
  EXPORT_CSV,  // tcmd_exp_exc: export chart as CSV
  EXPORT_BMP,  // tcmd_exp_bmp: export chart as bitmap
  STOP,        // tcmd_stop: stop diagram update
  PLAY,        // tcmd_play: continuous diagram update
};
inline constexpr int TOOL_CMD_CNT = 9;
inline constexpr int TOOL_IMAGE_CNT = 2 * TOOL_CMD_CNT;  // 18

// Status images of a device panel (img_devN_ok, _discon, _err, _disable).
enum class dev_status_img_t : int {
  OK,       // connected
  DISCON,   // no connection
  ERR,      // connected, device reports an error
  DISABLE,  // acquisition deactivated
};
inline constexpr int STAT_IMG_CNT = 4;

inline constexpr int TOOL_ICON_SIZE = 24;  // logical pixels of a tool bar image
inline constexpr int STATUS_IMG_SIZE = 24;

// Name of the tool button of a command ("tcmd_load" ...).
const char* tool_cmd_name(tool_cmd_t cmd);

// Index of a command's image in the list of 18: 2 * cmd, + 1 when greyed.
int tool_image_index(tool_cmd_t cmd, bool enabled);

// The image of a tool button: 16 and 24 logical pixels, each at 1x and 2x.
// Greyed images are desaturated and lighter.
QIcon tool_icon(tool_cmd_t cmd, bool enabled);
// The same by image index 0..17 (an empty icon outside that range).
QIcon tool_image(int index);
// One rendering of a tool image, logical size size at device pixel ratio dpr.
QImage tool_image_at(tool_cmd_t cmd, bool enabled, int size, qreal dpr);

// A device panel status image, 24 x 24 logical pixels at dpr.
QPixmap status_pixmap(dev_status_img_t img, qreal dpr = 1.0);
// The same as an icon holding 1x and 2x.
QIcon status_icon(dev_status_img_t img);

// The application icon (a transmitter gauge), 16 to 256 pixels.
QIcon app_icon();
// One rendering of the application icon, px x px pixels at 1x (the plainer
// small design below 32 pixels), e.g. for the desktop's icon theme.
QImage app_icon_image(int px);

// Every picture at 1x and 2x on one sheet (for looking at them).
QImage icon_sheet();

// The information page shown when no custom logo is installed: the
// application icon, name and purpose on a quiet background.
QPixmap default_info_page(QSize size, qreal dpr);
