#pragma once
// What the settings dialogs show besides the captions of their templates.

namespace svcgate::SettingsTexts {

constexpr const wchar_t* MenuReset = L"Установить значения по-умолчанию";
constexpr const wchar_t* MenuDeviceTest = L"Выполнить тест устройства";
constexpr const wchar_t* MenuSettingsList = L"Показать полный список настроек";
constexpr const wchar_t* MenuOpenDebugLog = L"Просмотр отладочных логов";
constexpr const wchar_t* MenuOpenCurrentDebugLog = L"Открыть текущий отладочный лог";
constexpr const wchar_t* MenuOpenDebugLogDirectory = L"Открыть папку с файлами отладочных логов";
constexpr const wchar_t* MenuHelp = L"Справка";

constexpr const wchar_t* HintAdditionally = L"Дополнительные функции";
constexpr const wchar_t* HintOK = L"Сохранить и закрыть";
constexpr const wchar_t* HintCancel = L"Закрыть без сохранения";
constexpr const wchar_t* HintPages = L"Настройка параметров и подробная информация о драйвере";

constexpr const wchar_t* HelpAdditionally =
    L"Дополнительные функции: \r\n - Установка параметров в значегие по умолчанию\r\n"
    L" - Тест работоспособности устройства\r\n - Отображение полного списка настроек\r\n"
    L" - Справка";
constexpr const wchar_t* HelpOK = L"Сохранить настройки и закрыть окно";
constexpr const wchar_t* HelpCancel = L"Закрыть окно без сохранения настроек";
constexpr const wchar_t* HelpPages = L"Настройка параметров и подробная информация о драйвере";

constexpr const wchar_t* SaveFailed = L"Не удалось записать текущие настройки";
constexpr const wchar_t* DebugLogNotFound = L"Отладочный лог не найден!";
// The file dialog's filter: pairs of a name and its patterns, each ended by a NUL.
constexpr wchar_t DebugLogFilter[] = L"Файлы log\0*.log;\0";
constexpr const wchar_t* HelpFileName = L"help.chm";
constexpr const wchar_t* HelpPopups = L"::/popups.txt";

constexpr const wchar_t* ErrorCaption = L"Ошибка";
constexpr const wchar_t* InformationCaption = L"Информация";

constexpr const wchar_t* PasswordEToken = L"Пароль eToken:";
constexpr const wchar_t* PasswordPerson = L"Пароль персоны:";
constexpr const wchar_t* TimeoutMissing = L"Укажите таймаут сервера в миллисекундах.";

} // namespace svcgate::SettingsTexts
