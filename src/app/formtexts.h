#pragma once
// The windows' fixed texts: captions, menu entries (the letter after "&" is the accelerator) and
// what the controls show before any file is opened. Every view shows these; the Qt forms carry
// them as designer texts, which a test holds to this table.

#include <array>

namespace kvo::formtexts {

// The main window.
inline constexpr const char* kMainCaption = "KVOCodecForm";
inline constexpr const char* kFileMenu = "&File";
inline constexpr const char* kOpenItem = "&Open kvo or kvox";
inline constexpr const char* kExitItem = "E&xit";
inline constexpr const char* kActionsMenu = "&Actions";
inline constexpr const char* kCompressItem = "&Compress";
inline constexpr const char* kRestoreItem = "&Restore";
inline constexpr const char* kViewMenu = "&View";
inline constexpr const char* kHeadItem = "&Head of file";
inline constexpr const char* kBlockSizeLabel = "Размер блока, байт";
inline constexpr const char* kSummaryAtStart = "Преобразуемый файл:";

// The passport window.
inline constexpr const char* kPassportCaption = "Заголовок файла";
inline constexpr const char* kPassportAtStart = "Memo1";

// The about box: its caption, its button and Label1 .. Label6 until the version resource is read.
inline constexpr const char* kAboutCaption = "О программе";
inline constexpr const char* kAboutButton = "OK";
inline constexpr std::array<const char*, 6> kAboutLabelsAtStart{
    "Обработка KVO-файлов", "июнь 2003", "Label3", "Label4", "Label5", "Label5"};

}  // namespace kvo::formtexts
