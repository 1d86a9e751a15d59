#include "ui/CTextTable.h"

#include "ui/AppMainWindow.h"

#include <iterator>

namespace
{

struct TextRow {
    const char16_t *key;
    const char16_t *korean;
    const char16_t *english;
    const char16_t *japanese;
    const char16_t *russian;
};

// Our own customer support contact. Placeholders until the project publishes real ones: the
// address uses the reserved ".example" domain and the number is all zeros on purpose.
#define QUORVIL_SUPPORT_WEB u"https://support.quorvil.example"
#define QUORVIL_SUPPORT_TEL u"000-0000-0000"

// Every key in fill order: Korean, English, Japanese, Russian. The Korean tooltips of the main
// window (up to PLAYERDLG_REDUCE_MAP) and INFODLG_CLOSE stay English, as do the Japanese and
// Russian texts that are copied from English. Some texts are kept exactly as the product has
// always shown them, odd spellings included ("Froward", "Calender", "Инормация").
constexpr TextRow kTextRows[] = {
    {u"PLAYERDLG_VERSION", u"0.2.0", u"0.2.0", u"0.2.0", u"0.2.0"},
    {u"PLAYERDLG_INFORMATION", u"Information", u"Information", u"情報", u"Информация"},
    {u"PLAYERDLG_MINIMIZE", u"Minimize", u"Minimize", u"最小化", u"Свернуть"},
    {u"PLAYERDLG_CLOSE", u"Close", u"Close", u"閉じる", u"Закрыть"},
    {u"PLAYERDLG_FRONT", u"Front", u"Front", u"Front", u"Передняя камера"},
    {u"PLAYERDLG_REAR", u"Rear", u"Rear", u"Rear", u"Задняя камера"},
    {u"PLAYERDLG_ALL", u"All", u"All", u"All", u"Обе камеры"},
    {u"PLAYERDLG_FLIPVERTICAL", u"Flip Vertical", u"Flip Vertical", u"上下反転",
     u"Отразить по вертикали"},
    {u"PLAYERDLG_FLIPHORIZONTAL", u"Flip Horizontal", u"Flip Horizontal", u"左右反転",
     u"Отразить по горизонтали"},
    {u"PLAYERDLG_CAPTURE", u"Capture", u"Capture", u"キャプチャー", u"Снимок кадра"},
    {u"PLAYERDLG_EXTEND", u"Extend", u"Extend", u"拡張表示", u"Расширенный режим"},
    {u"PLAYERDLG_FOLDER", u"Folder", u"Folder", u"フォルダ", u"Папка"},
    {u"PLAYERDLG_CALENDER", u"Calender", u"Calender", u"カレンダー", u"Календарь"},
    {u"PLAYERDLG_SAVE", u"Save", u"Save", u"保存", u"Сохранить"},
    {u"PLAYERDLG_DELETE", u"Delete", u"Delete", u"削除", u"Удалить"},
    {u"PLAYERDLG_FILE_ALL", u"All", u"All", u"All", u"Все"},
    {u"PLAYERDLG_FILE_NORMAL", u"Normal", u"Normal", u"Normal", u"Обычные"},
    {u"PLAYERDLG_FILE_EVENT", u"Event", u"Event", u"Event", u"События"},
    {u"PLAYERDLG_FILE_MOTION", u"Motion", u"Motion", u"Motion", u"Движение"},
    {u"PLAYERDLG_REWIND", u"Rewind", u"Rewind", u"Rewind", u"Перемотка назад"},
    {u"PLAYERDLG_FORWARD", u"Forward", u"Forward", u"Froward", u"Перемотка вперед"},
    {u"PLAYERDLG_PLAY", u"Play", u"Play", u"Play", u"Воспроизвести"},
    {u"PLAYERDLG_PAUSE", u"Pause", u"Pause", u"Pause", u"Пауза"},
    {u"PLAYERDLG_PREV", u"Prev", u"Prev", u"Prev", u"Предыдущий"},
    {u"PLAYERDLG_NEXT", u"Next", u"Next", u"Next", u"Следующий"},
    {u"PLAYERDLG_SPEED", u"Speed", u"Speed", u"再生速度", u"Скорость"},
    {u"PLAYERDLG_VOLUME", u"Volume", u"Volume", u"音量", u"Громкость"},
    {u"PLAYERDLG_BRIGHTNESS", u"Brightness", u"Brightness", u"明るさ", u"Яркость"},
    {u"PLAYERDLG_REDUCE", u"Reduce", u"Reduce", u"縮小", u"Уменьшить"},
    {u"PLAYERDLG_FILELIST", u"File List", u"File List", u"ファイルリスト", u"Список файлов"},
    {u"PLAYERDLG_SHOW_LARGEMAP", u"Show large map", u"Show large map", u"大きい地図を表示",
     u"Показать большую карту"},
    {u"PLAYERDLG_SHOW_MAP", u"Show Map", u"Show Map", u"Show Map", u"Показать карту"},
    {u"PLAYERDLG_HIDE_MAP", u"Hide Map", u"Hide Map", u"Hide Map", u"Скрыть карту"},
    {u"PLAYERDLG_REDUCE_MAP", u"Reduce Map", u"Reduce Map", u"地図を縮小", u"Уменьшить карту"},
    {u"PLAYERDLG_NO_FILTER", u"비디오 필터가 등록되지 않았습니다.\nPC 매니저를 다시 설치하세요.",
     u"Video filter is not registered.\nPlease re-install ZI Zoreruv.",
     u"Video filter is not registered.\nPlease re-install ZI Zoreruv.",
     u"Video filter is not registered.\nPlease re-install ZI Zoreruv."},
    {u"INFODLG_INFORMATION", u"정보", u"Information", u"情報", u"Инормация"},
    {u"INFODLG_MEMORY_INFORMATION", u"메모리 정보", u"Memory Information", u"メモリー情報",
     u"Информация о памяти"},
    // The memory labels are short enough to sit beside their values in the information
    // window's layout of each language.
    {u"INFODLG_TOTAL_SPACE", u"전체 용량 :", u"Total Storage Space :", u"全容量 :",
     u"Общий объем памяти :"},
    {u"INFODLG_FREE_SPACE", u"남은 용량 :", u"Free Storage Space :", u"空き容量 :", u"Свободно :"},
    {u"INFODLG_USED_SPACE", u"사용 용량", u"Used Storage Space", u"使用容量",
     u"Занятый объем памяти"},
    {u"INFODLG_NORMAL", u"일반 :", u"Normal :", u"通常 :", u"Обычн. :"},
    {u"INFODLG_EVENT", u"이벤트 :", u"Event :", u"イベント :", u"События :"},
    {u"INFODLG_MOTION", u"모션 :", u"Motion :", u"モーション :", u"Движение :"},
    {u"INFODLG_VERSION_INFORMATION", u"버전 정보", u"Version Information", u"バージョン情報",
     u"Информация о версии"},
    {u"INFODLG_FIRMWARE_VERSION", u"QV900 펌웨어 버전 :", u"QV900 Firmware Version :",
     u"QV900 ファームウェアバージョン :", u"Версия прошивки :"},
    {u"INFODLG_PCMANAGER_VERSION", u"ZI Zoreruv 버전 :", u"ZI Zoreruv Version :",
     u"ZI Zoreruv バージョン :", u"Версия ZI Zoreruv :"},
    {u"INFODLG_CLOSE", u"Close", u"Close", u"閉じる", u"Закрыть"},
    // The Korean support texts name our own (placeholder) support centre, address and number.
    {u"INFODLG_AS_TITLE", u"Quorvil 고객 지원 센터", u"Customer Support Info", u"サポート情報",
     u"Информация о поддержке клиентов"},
    {u"INFODLG_AS_INFO", u"이용 안내 : " QUORVIL_SUPPORT_WEB, u"Contact the seller of the product.",
     u"利用案内 : " QUORVIL_SUPPORT_WEB,
     u"Обратитесь к продавцу устройства или в\nсервисный центр."},
    {u"INFODLG_AS_TEL", u"문의 전화 : " QUORVIL_SUPPORT_TEL, u"", u"", u""},
    {u"SELECTDLG_TITLE", u"드라이브 선택", u"Select Drive", u"ドライブ選択", u"Выбор диска"},
    {u"SELECTDLG_CONTEXT1_1", u"드라이브:", u"Drive:", u"ドライブ:", u"Диск:"},
    {u"SELECTDLG_CONTEXT1_2", u"메모리 카드가 있는 드라이브를 선택하세요.",
     u"Select a drive with a memory card.", u"メモリーカードのドライブを選択してください。",
     u"Выберите диск с картой памяти."},
    {u"SELECTDLG_CONTEXT1_3", u"이동식 디스크", u"Portable Disk", u"リムーバブルディスク",
     u"Съемный диск"},
    {u"MONTHDLG_TITLE", u"날짜 선택", u"Date Selection", u"日付選択", u"Удалить выбранное"},
    {u"FOLDERDLG_TITLE", u"폴더 찾아보기", u"Browse Folders", u"フォルダーの参照", u"Обзор папок"},
    {u"FOLDERDLG_CONTENTS", u"폴더 선택", u"Select Folder", u"フォルダーの選択", u"Выберите папку"},
    {u"SAVEDLG_TITLE", u"저장", u"Save", u"保存", u"Сохранение"},
    {u"SAVEDLG_CONTENTS", u"폴더를 선택하세요.", u"Please select the folder.",
     u"Please select the folder.", u"Please select the folder."},
    {u"ALERTDLG_NO_MEMORYCARD", u"메모리 카드를 찾을 수 없습니다.", u"Can't find the memory card.",
     u"メモリーカードが見つかりません。", u"Карта памяти не найдена."},
    {u"DELETEDLG_CONTEXT1_1", u"선택한 파일을 삭제하시겠습니까?", u"Delete selected file?",
     u"選択したファイルを削除しますか？", u"Удалить выбранный файл?"},
    {u"DELETEDLG_CONTEXT1_2", u"재생 중인 파일은 삭제할 수 없습니다.",
     u"Files being played can't be deleted.", u"再生中のファイルは削除できません。",
     u"Воспроизводимые файлы нельзя удалить."},
    {u"PLAYERDLG_GPS_FILENOTFOUND", u"GPS 데이터가 없습니다.", u"Detected no GPS datas.",
     u"GPSファイルがありません。", u"Не найдены файлы GPS"},
    {u"PLAYERDLG_PLAY_FAIL", u"파일을 재생할 수 없습니다.", u"Can't play a file.",
     u"ファイルを再生することができません.", u"Невозможно воспроизвести файл."},
};

#undef QUORVIL_SUPPORT_WEB
#undef QUORVIL_SUPPORT_TEL

static_assert(std::size(kTextRows) == 64, "the table holds 64 keys");

QString FromTable(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

CTextTable::CTextTable()
{
    for (const TextRow &row : kTextRows) {
        const QString key = FromTable(row.key);
        m_mapKorean.insert(key, FromTable(row.korean));
        m_mapEnglish.insert(key, FromTable(row.english));
        m_mapJapanese.insert(key, FromTable(row.japanese));
        m_mapRussian.insert(key, FromTable(row.russian));
    }
}

const QHash<QString, QString> *CTextTable::MapFor(std::uint16_t language) const
{
    switch (language) {
    case kEnglish:
        return &m_mapEnglish;
    case kJapanese:
        return &m_mapJapanese;
    case kKorean:
        return &m_mapKorean;
    case kRussian:
        return &m_mapRussian;
    default:
        return nullptr;
    }
}

QString CTextTable::GetText(std::uint16_t language, const QString &key) const
{
    const QHash<QString, QString> *map = MapFor(language);
    return map ? map->value(key) : QString();
}

QString CTextTable::GetText(const QString &key) const
{
    const IAppMainWindow *mainWindow = GetAppMainWindow();
    if (!mainWindow)
        return QString();
    return GetText(mainWindow->GetLanguage(), key);
}
