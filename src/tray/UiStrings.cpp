// Every text of the tray user interface in the nine languages, and the words accepted as the
// Language setting. Columns follow UiLanguage: Japanese, English, Korean, Chinese (Simplified),
// Chinese (Traditional), French, Italian, German, Spanish. Characters that are easy to confuse
// with plain ones are written as escapes: U+2026 ellipsis, U+00A0 no-break space, U+FF08/U+FF09
// full-width parentheses, U+FF0B full-width plus, U+FF1A full-width colon.
#include "tray/UiLanguage.h"

const std::array<LanguageWord, 27> LanguageWords{{
    {L"ja", L"ja-JP", UiLanguage::Japanese},
    {L"ja-JP", L"ja-JP", UiLanguage::Japanese},
    {L"japanese", L"ja-JP", UiLanguage::Japanese},
    {L"en", L"en-US", UiLanguage::English},
    {L"en-US", L"en-US", UiLanguage::English},
    {L"english", L"en-US", UiLanguage::English},
    {L"ko", L"ko-KR", UiLanguage::Korean},
    {L"ko-KR", L"ko-KR", UiLanguage::Korean},
    {L"korean", L"ko-KR", UiLanguage::Korean},
    {L"zh", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-CN", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-Hans", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"chinese", L"zh-CN", UiLanguage::ChineseSimplified},
    {L"zh-TW", L"zh-TW", UiLanguage::ChineseTraditional},
    {L"zh-Hant", L"zh-TW", UiLanguage::ChineseTraditional},
    {L"fr", L"fr-FR", UiLanguage::French},
    {L"fr-FR", L"fr-FR", UiLanguage::French},
    {L"french", L"fr-FR", UiLanguage::French},
    {L"it", L"it-IT", UiLanguage::Italian},
    {L"it-IT", L"it-IT", UiLanguage::Italian},
    {L"italian", L"it-IT", UiLanguage::Italian},
    {L"de", L"de-DE", UiLanguage::German},
    {L"de-DE", L"de-DE", UiLanguage::German},
    {L"german", L"de-DE", UiLanguage::German},
    {L"es", L"es-ES", UiLanguage::Spanish},
    {L"es-ES", L"es-ES", UiLanguage::Spanish},
    {L"spanish", L"es-ES", UiLanguage::Spanish},
}};

namespace {

// Menu items and submenu titles, the reasons a mode is in force or paused (%s: a program's name),
// the timed sessions' texts, then the tooltip suffixes.
const UiStringRow kRows[] = {
    {{L"スリープ防止", L"Prevent sleep", L"수면 방지", L"防止睡眠", L"防止睡眠", L"Empêcher la veille", L"Impedisci sospensione", L"Ruhezustand verhindern", L"Evitar suspensión"}},
    {{L"アクティブ補助", L"Keep running", L"동작 유지", L"保持运行", L"保持運作", L"Maintenir l'activité", L"Mantieni attività", L"Aktivität aufrechterhalten", L"Mantener actividad"}},
    {{L"黒画面", L"Black screen", L"흑화면", L"黑屏", L"黑屏", L"Écran noir", L"Schermo nero", L"Schwarzbild", L"Pantalla negra"}},
    {{L"すべてのモニター", L"All monitors", L"모든 모니터", L"所有显示器", L"所有顯示器", L"Tous les écrans", L"Tutti i monitor", L"Alle Monitore", L"Todos los monitores"}},
    {{L"カーソルのあるモニター", L"Monitor with cursor", L"커서가 있는 모니터", L"光标所在显示器", L"光標所在顯示器", L"Écran du curseur", L"Monitor con cursore", L"Monitor mit Cursor", L"Monitor con cursor"}},
    {{L"他のモニター", L"Other monitors", L"다른 모니터", L"其他显示器", L"其他顯示器",
      L"Autres écrans", L"Altri monitor", L"Andere Monitore", L"Otros monitores"}},
    {{L"Windows起動時に開始", L"Run at Windows startup", L"Windows 시작 시 실행", L"Windows 启动时运行", L"Windows 開機時執行", L"Démarrer avec Windows", L"Avvia all'avvio di Windows", L"Mit Windows starten", L"Iniciar con Windows"}},
    {{L"このアプリについて\u2026", L"About\u2026", L"이 앱 정보\u2026", L"关于此应用\u2026", L"關於此應用程式\u2026", L"À propos\u2026", L"Informazioni\u2026", L"Info\u2026", L"Acerca de\u2026"}},
    {{L"Umbraline を終了", L"Exit Umbraline", L"Umbraline 종료", L"退出 Umbraline", L"結束 Umbraline", L"Quitter Umbraline", L"Esci da Umbraline", L"Umbraline beenden", L"Salir de Umbraline"}},
    {{L"無効", L"Disabled", L"비활성화", L"禁用", L"停用", L"Désactivé", L"Disabilitato", L"Deaktiviert", L"Desactivado"}},
    {{L"黒画面\uFF08すべてのモニター\uFF09", L"Black screen (all monitors)", L"흑화면 (모든 모니터)", L"黑屏\uFF08所有显示器\uFF09", L"黑屏\uFF08所有顯示器\uFF09", L"Écran noir (tous les écrans)", L"Schermo nero (tutti i monitor)", L"Schwarzbild (alle Monitore)", L"Pantalla negra (todos los monitores)"}},
    {{L"黒画面\uFF08カーソルのあるモニター\uFF09", L"Black screen (monitor with cursor)", L"흑화면 (커서가 있는 모니터)", L"黑屏\uFF08光标所在显示器\uFF09", L"黑屏\uFF08光標所在顯示器\uFF09", L"Écran noir (écran du curseur)", L"Schermo nero (monitor con cursore)", L"Schwarzbild (Monitor mit Cursor)", L"Pantalla negra (monitor con cursor)"}},
    {{L"黒画面\uFF08他のモニター\uFF09", L"Black screen (other monitors)", L"흑화면 (다른 모니터)",
      L"黑屏\uFF08其他显示器\uFF09", L"黑屏\uFF08其他顯示器\uFF09", L"Écran noir (autres écrans)",
      L"Schermo nero (altri monitor)", L"Schwarzbild (andere Monitore)", L"Pantalla negra (otros monitores)"}},
    {{L"ホットキー実行", L"Hotkey action", L"단축키 실행", L"热键执行", L"熱鍵執行", L"Action du raccourci", L"Azione scorciatoia", L"Hotkey-Aktion", L"Acción de atajo"}},
    {{L"ホットキー:", L"Hotkey:", L"단축키:", L"热键:", L"熱鍵:", L"Raccourci\u00A0:", L"Scorciatoia:", L"Hotkey:", L"Atajo:"}},
    {{L"設定ファイル\uFF08config.ini\uFF09を直接編集\uFF08上級者用\uFF09\u2026", L"Edit config.ini (advanced)\u2026", L"config.ini 직접 편집(고급)\u2026", L"直接编辑 config.ini\uFF08高级\uFF09\u2026", L"直接編輯 config.ini\uFF08進階\uFF09\u2026", L"Modifier config.ini (avancé)\u2026", L"Modifica config.ini (avanzate)\u2026", L"config.ini bearbeiten (Erweitert)\u2026", L"Editar config.ini (avanzado)\u2026"}},
    {{L"使用不可", L"unavailable", L"사용 불가", L"不可用", L"無法使用", L"indisponible", L"non disponibile", L"nicht verfügbar", L"no disponible"}},
    {{L"他のキーは config.ini で設定できます", L"Other keys can be set in config.ini", L"다른 키는 config.ini에서 설정할 수 있습니다", L"其他按键可在 config.ini 中设置", L"其他按鍵可在 config.ini 中設定", L"D'autres touches se règlent dans config.ini", L"Altri tasti si impostano in config.ini", L"Andere Tasten in config.ini festlegen", L"Otras teclas se configuran en config.ini"}},
    {{L"時計表示", L"Clock display", L"시계 표시", L"时钟显示", L"時鐘顯示", L"Affichage de l'horloge", L"Visualizzazione orologio", L"Uhranzeige", L"Visualización de reloj"}},
    {{L"なし", L"None", L"없음", L"无", L"無", L"Aucun", L"Nessuna", L"Keine", L"Ninguna"}},
    {{L"時刻", L"Time", L"시각", L"时刻", L"時刻", L"Heure", L"Ora", L"Uhrzeit", L"Hora"}},
    {{L"経過時間", L"Elapsed time", L"경과 시간", L"经过时间", L"經過時間", L"Temps écoulé", L"Tempo trascorso", L"Verstrichene Zeit", L"Tiempo transcurrido"}},
    {{L"時刻\uFF0B経過時間", L"Time and elapsed", L"시각 + 경과 시간", L"时刻 + 经过时间", L"時刻 + 經過時間", L"Heure et temps écoulé", L"Ora e tempo trascorso", L"Uhrzeit und verstrichene Zeit", L"Hora y tiempo transcurrido"}},
    {{L"%s 実行中", L"while %s runs", L"%s 실행 중", L"%s 运行中", L"%s 執行中", L"tant que %s tourne", L"mentre %s è in esecuzione", L"solange %s läuft", L"mientras se ejecuta %s"}},
    {{L"一時停止中\uFF1Aバッテリー駆動", L"paused: on battery", L"일시 중지: 배터리 사용 중", L"已暂停\uFF1A使用电池", L"已暫停\uFF1A使用電池", L"en pause\u00A0: sur batterie", L"in pausa: a batteria", L"pausiert: Akkubetrieb", L"en pausa: con batería"}},
    {{L"一時停止中\uFF1Aバッテリー残量低下", L"paused: battery low", L"일시 중지: 배터리 부족", L"已暂停\uFF1A电量不足", L"已暫停\uFF1A電量不足", L"en pause\u00A0: batterie faible", L"in pausa: batteria scarica", L"pausiert: Akku fast leer", L"en pausa: batería baja"}},
    {{L"一時停止中\uFF1A画面ロック中", L"paused: locked", L"일시 중지: 잠금 상태", L"已暂停\uFF1A已锁定", L"已暫停\uFF1A已鎖定", L"en pause\u00A0: session verrouillée", L"in pausa: sessione bloccata", L"pausiert: gesperrt", L"en pausa: sesión bloqueada"}},
    // The timed sessions: submenu titles, items, the parts of a duration (singular, plural; a blank
    // before the unit where the language writes one) and the notices when a session has ended.
    {{L"時間指定でスリープ防止", L"Prevent sleep for", L"시간 지정 수면 방지", L"定时防止睡眠", L"定時防止睡眠", L"Empêcher la veille pendant", L"Impedisci sospensione per", L"Ruhezustand verhindern für", L"Evitar suspensión durante"}},
    {{L"時間指定でアクティブ補助", L"Keep running for", L"시간 지정 동작 유지", L"定时保持运行", L"定時保持運作", L"Maintenir l'activité pendant", L"Mantieni attività per", L"Aktivität aufrechterhalten für", L"Mantener actividad durante"}},
    {{L"オフにするまで", L"Until I turn it off", L"끌 때까지", L"直到手动关闭", L"直到手動關閉", L"Jusqu'à ce que je l'arrête", L"Finché non lo disattivo", L"Bis ich es ausschalte", L"Hasta que lo desactive"}},
    {{L"%sまで", L"Until %s", L"%s까지", L"直到 %s", L"直到 %s", L"Jusqu'à %s", L"Fino alle %s", L"Bis %s", L"Hasta las %s"}},
    {{L"日", L" day", L"일", L"天", L"天", L" jour", L" giorno", L" Tag", L" día"}},
    {{L"日", L" days", L"일", L"天", L"天", L" jours", L" giorni", L" Tage", L" días"}},
    {{L"時間", L" hour", L"시간", L"小时", L"小時", L" heure", L" ora", L" Stunde", L" hora"}},
    {{L"時間", L" hours", L"시간", L"小时", L"小時", L" heures", L" ore", L" Stunden", L" horas"}},
    {{L"分", L" minute", L"분", L"分钟", L"分鐘", L" minute", L" minuto", L" Minute", L" minuto"}},
    {{L"分", L" minutes", L"분", L"分钟", L"分鐘", L" minutes", L" minuti", L" Minuten", L" minutos"}},
    {{L"秒", L" second", L"초", L"秒", L"秒", L" seconde", L" secondo", L" Sekunde", L" segundo"}},
    {{L"秒", L" seconds", L"초", L"秒", L"秒", L" secondes", L" secondi", L" Sekunden", L" segundos"}},
    {{L"スリープ防止を終了しました", L"Prevent sleep ended", L"수면 방지가 끝났습니다", L"防止睡眠已结束", L"防止睡眠已結束", L"La veille n'est plus empêchée", L"La sospensione non è più impedita", L"Ruhezustand wird nicht mehr verhindert", L"Ya no se evita la suspensión"}},
    {{L"アクティブ補助を終了しました", L"Keep running ended", L"동작 유지가 끝났습니다", L"保持运行已结束", L"保持運作已結束", L"L'activité n'est plus maintenue", L"L'attività non è più mantenuta", L"Aktivität wird nicht mehr aufrechterhalten", L"Ya no se mantiene la actividad"}},
    {{L"スリープ防止とアクティブ補助を終了しました", L"Prevent sleep and Keep running ended", L"수면 방지와 동작 유지가 끝났습니다", L"防止睡眠和保持运行已结束", L"防止睡眠和保持運作已結束", L"La veille n'est plus empêchée et l'activité n'est plus maintenue", L"La sospensione non è più impedita e l'attività non è più mantenuta", L"Ruhezustand wird nicht mehr verhindert, Aktivität nicht mehr aufrechterhalten", L"Ya no se evita la suspensión ni se mantiene la actividad"}},
    {{L" | スリープ防止ON", L" | Sleep prevent ON", L" | 수면방지 ON", L" | 防止睡眠 ON", L" | 防止睡眠 ON", L" | Veille OFF", L" | Sospensione OFF", L" | Ruhezustand AUS", L" | Suspensión OFF"}},
    {{L" | アクティブ補助ON", L" | Keep active ON", L" | 활성 유지 ON", L" | 保持活跃 ON", L" | 保持使用中 ON", L" | Actif ON", L" | Attivo ON", L" | Aktiv ON", L" | Activo ON"}},
    {{L" | 黒画面中", L" | Black screen", L" | 흑화면", L" | 黑屏中", L" | 黑屏中", L" | Écran noir", L" | Schermo nero", L" | Schwarzbild", L" | Pantalla negra"}},
};

}  // namespace

std::span<const UiStringRow> UiStringRows() { return kRows; }
