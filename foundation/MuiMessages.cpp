#include "foundation/MuiMessages.h"

namespace {

const char16_t kEnglishResourcesUnavailable[] =
    u"The localized resource files for this application could not be loaded. Please reinstall or "
    u"repair the application and try again.";
const char16_t kEnglishSystemLanguageUnsupported[] =
    u"This application does not support the current OS language. Please open the “Regional and "
    u"Language Options” control panel from the Windows Start menu. Then, in the Advanced tab (in "
    u"Vista, the Administrative tab), change the \"Language for non-Unicode programs\" setting to "
    u"match the application language.";

}  // namespace

const MuiMessageRow kMuiMessages[] = {
    {"ar",
     u"تعذر تحميل ملفات الموارد المترجمة لهذا التطبيق. يرجى إعادة تثبيت التطبيق أو إصلاحه "
     u"والمحاولة مرة أخرى.",
     u"لا يدعم هذا التطبيق لغة نظام التشغيل الحالية. يرجى فتح لوحة التحكم “الخيارات الإقليمية "
     u"وخيارات اللغة” من قائمة ابدأ في Windows. ثم، في علامة التبويب خيارات متقدمة (في Vista، "
     u"علامة التبويب إدارية)، قم بتغيير إعداد “لغة البرامج غير المتوافقة مع Unicode” بحيث يطابق "
     u"لغة التطبيق."},
    {"bg",
     u"Локализираните ресурсни файлове на това приложение не могат да бъдат заредени. Моля, "
     u"инсталирайте отново или поправете приложението и опитайте отново.",
     u"Това приложение не поддържа текущия език на операционната система. Моля, отворете "
     u"контролния панел „Регионални и езикови опции“ от менюто „Старт“ на Windows. След това в "
     u"раздела „Разширени“ (във Vista – раздела „Административни“) променете настройката „Език за "
     u"програми, които не са Unicode“, така че да съответства на езика на приложението."},
    {"cs",
     u"Lokalizované soubory prostředků této aplikace nelze načíst. Přeinstalujte nebo opravte "
     u"aplikaci a zkuste to znovu.",
     u"Tato aplikace nepodporuje aktuální jazyk operačního systému. Otevřete ovládací panel "
     u"„Místní a jazykové nastavení“ z nabídky Start systému Windows. Poté na kartě Upřesnit (v "
     u"systému Vista na kartě Správa) změňte nastavení „Jazyk pro programy nepodporující kódování "
     u"Unicode“ tak, aby odpovídalo jazyku aplikace."},
    {"da",
     u"De lokaliserede ressourcefiler til dette program kunne ikke indlæses. Geninstaller eller "
     u"reparer programmet, og prøv igen.",
     u"Dette program understøtter ikke det aktuelle sprog i operativsystemet. Åbn kontrolpanelet "
     u"“Internationale indstillinger og sprogindstillinger” fra menuen Start i Windows. Skift "
     u"derefter indstillingen “Sprog til ikke-Unicode-programmer” under fanen Avanceret (i Vista "
     u"fanen Administration), så den svarer til programmets sprog."},
    {"de",
     u"Die lokalisierten Ressourcendateien dieser Anwendung konnten nicht geladen werden. "
     u"Installieren oder reparieren Sie die Anwendung und versuchen Sie es erneut.",
     u"Diese Anwendung unterstützt die aktuelle Sprache des Betriebssystems nicht. Öffnen Sie über "
     u"das Windows-Startmenü die Systemsteuerung „Regions- und Sprachoptionen“. Ändern Sie dann "
     u"auf der Registerkarte „Erweitert“ (unter Vista „Verwaltung“) die Einstellung „Sprache für "
     u"Unicode-inkompatible Programme“ in die Sprache der Anwendung."},
    {"el",
     u"Δεν ήταν δυνατή η φόρτωση των τοπικών αρχείων πόρων αυτής της εφαρμογής. Εγκαταστήστε ξανά "
     u"ή επιδιορθώστε την εφαρμογή και δοκιμάστε ξανά.",
     u"Αυτή η εφαρμογή δεν υποστηρίζει την τρέχουσα γλώσσα του λειτουργικού συστήματος. Ανοίξτε "
     u"τον πίνακα ελέγχου «Τοπικές ρυθμίσεις και ρυθμίσεις γλώσσας» από το μενού Έναρξη των "
     u"Windows. Στη συνέχεια, στην καρτέλα Για προχωρημένους (στα Vista, στην καρτέλα Διαχείριση), "
     u"αλλάξτε τη ρύθμιση «Γλώσσα για προγράμματα που δεν υποστηρίζουν Unicode» ώστε να ταιριάζει "
     u"με τη γλώσσα της εφαρμογής."},
    {"en", kEnglishResourcesUnavailable, kEnglishSystemLanguageUnsupported},
    {"es",
     u"No se han podido cargar los archivos de recursos localizados de esta aplicación. Vuelva a "
     u"instalar o repare la aplicación e inténtelo de nuevo.",
     u"Esta aplicación no es compatible con el idioma actual del sistema operativo. Abra el panel "
     u"de control “Configuración regional y de idioma” desde el menú Inicio de Windows. A "
     u"continuación, en la ficha Opciones avanzadas (en Vista, la ficha Administrativo), cambie la "
     u"opción “Idioma para programas no Unicode” para que coincida con el idioma de la "
     u"aplicación."},
    {"et",
     u"Selle rakenduse lokaliseeritud ressursifaile ei õnnestunud laadida. Installige rakendus "
     u"uuesti või parandage see ja proovige uuesti.",
     u"See rakendus ei toeta operatsioonisüsteemi praegust keelt. Avage Windowsi menüüst Start "
     u"juhtpaneel „Piirkonna- ja keelesuvandid“. Seejärel muutke vahekaardil Täpsemalt (Vistas "
     u"vahekaardil Haldus) sätet „Mitte-Unicode-programmide keel“ nii, et see vastaks rakenduse "
     u"keelele."},
    {"fi",
     u"Tämän sovelluksen lokalisoituja resurssitiedostoja ei voitu ladata. Asenna sovellus "
     u"uudelleen tai korjaa se ja yritä uudelleen.",
     u"Tämä sovellus ei tue käyttöjärjestelmän nykyistä kieltä. Avaa Windowsin Käynnistä-valikosta "
     u"Ohjauspaneelin kohta ”Alue- ja kieliasetukset”. Muuta sitten Lisäasetukset-välilehdellä "
     u"(Vistassa Hallinta-välilehdellä) asetus ”Muiden kuin Unicode-ohjelmien kieli” vastaamaan "
     u"sovelluksen kieltä."},
    {"fr",
     u"Les fichiers de ressources localisés de cette application n’ont pas pu être chargés. "
     u"Réinstallez ou réparez l’application, puis réessayez.",
     u"Cette application ne prend pas en charge la langue actuelle du système d’exploitation. "
     u"Ouvrez le panneau de configuration « Options régionales et linguistiques » à partir du menu "
     u"Démarrer de Windows. Ensuite, dans l’onglet Avancé (sous Vista, l’onglet Administration), "
     u"modifiez le paramètre « Langue pour les programmes non Unicode » afin qu’il corresponde à "
     u"la langue de l’application."},
    {"he",
     u"לא ניתן לטעון את קובצי המשאבים המתורגמים של יישום זה. התקן מחדש או תקן את היישום ונסה שוב.",
     u"יישום זה אינו תומך בשפה הנוכחית של מערכת ההפעלה. פתח את לוח הבקרה “אפשרויות אזוריות ושפה” "
     u"מתפריט ‘התחל’ של Windows. לאחר מכן, בכרטיסייה ‘מתקדם’ (ב-Vista, הכרטיסייה ‘ניהול’), שנה את "
     u"ההגדרה “שפה עבור תוכניות שאינן תומכות ב-Unicode” כך שתתאים לשפת היישום."},
    {"hr",
     u"Lokalizirane datoteke resursa ove aplikacije nije moguće učitati. Ponovno instalirajte ili "
     u"popravite aplikaciju i pokušajte ponovno.",
     u"Ova aplikacija ne podržava trenutačni jezik operacijskog sustava. Otvorite upravljačku "
     u"ploču „Regionalne i jezične mogućnosti” iz izbornika Start sustava Windows. Zatim na "
     u"kartici Dodatno (u sustavu Vista na kartici Administrativno) promijenite postavku „Jezik za "
     u"programe koji ne podržavaju Unicode” tako da odgovara jeziku aplikacije."},
    {"hu",
     u"Az alkalmazás honosított erőforrásfájljai nem tölthetők be. Telepítse újra vagy javítsa ki "
     u"az alkalmazást, majd próbálkozzon újra.",
     u"Az alkalmazás nem támogatja az operációs rendszer jelenlegi nyelvét. Nyissa meg a Windows "
     u"Start menüjéből a „Területi és nyelvi beállítások” vezérlőpultot. Ezután a Speciális lapon "
     u"(Vistában a Felügyelet lapon) módosítsa a „Nem Unicode programok nyelve” beállítást úgy, "
     u"hogy az megegyezzen az alkalmazás nyelvével."},
    {"it",
     u"Impossibile caricare i file di risorse localizzati dell’applicazione. Reinstallare o "
     u"ripristinare l’applicazione e riprovare.",
     u"Questa applicazione non supporta la lingua corrente del sistema operativo. Aprire il "
     u"pannello di controllo “Opzioni internazionali e della lingua” dal menu Start di Windows. "
     u"Quindi, nella scheda Avanzate (in Vista, la scheda Opzioni di amministrazione), modificare "
     u"l’impostazione “Lingua per programmi non Unicode” in modo che corrisponda alla lingua "
     u"dell’applicazione."},
    {"ja",
     u"このアプリケーションのローカライズされたリソースファイルを読み込めませんでした。アプリケーシ"
     u"ョンを再インストールまたは修復してから、もう一度やり直してください。",
     u"このアプリケーションは現在の OS の言語をサポートしていません。Windows "
     u"のスタートメニューから「地域と言語のオプション」コントロールパネルを開き、[詳細設定] タブ "
     u"(Vista では [管理] タブ) で「Unicode "
     u"対応ではないプログラムの言語」の設定をアプリケーションの言語に合わせて変更してください。"},
    {"ko",
     u"이 응용 프로그램의 지역화된 리소스 파일을 로드할 수 없습니다. 응용 프로그램을 다시 "
     u"설치하거나 복구한 다음 다시 시도하십시오.",
     u"이 응용 프로그램은 현재 OS 언어를 지원하지 않습니다. Windows 시작 메뉴에서 “국가 및 언어 "
     u"옵션” 제어판을 여십시오. 그런 다음 고급 탭(Vista에서는 관리 탭)에서 “유니코드를 지원하지 "
     u"않는 프로그램용 언어” 설정을 응용 프로그램 언어와 일치하도록 변경하십시오."},
    {"lt",
     u"Nepavyko įkelti šios programos lokalizuotų išteklių failų. Iš naujo įdiekite arba "
     u"pataisykite programą ir bandykite dar kartą.",
     u"Ši programa nepalaiko dabartinės operacinės sistemos kalbos. „Windows“ meniu Pradėti "
     u"atidarykite valdymo skydą „Regiono ir kalbos parinktys“. Tada skirtuke Išplėstinės "
     u"(sistemoje „Vista“ – skirtuke Administravimas) pakeiskite parametrą „Ne unikodo programų "
     u"kalba“, kad jis atitiktų programos kalbą."},
    {"lv",
     u"Šīs lietojumprogrammas lokalizētos resursu failus nevarēja ielādēt. Lūdzu, atkārtoti "
     u"instalējiet vai salabojiet lietojumprogrammu un mēģiniet vēlreiz.",
     u"Šī lietojumprogramma neatbalsta pašreizējo operētājsistēmas valodu. Lūdzu, Windows izvēlnē "
     u"Sākt atveriet vadības paneli “Reģionālās un valodu opcijas”. Pēc tam cilnē Papildu (sistēmā "
     u"Vista – cilnē Administratīvi) mainiet iestatījumu “Valoda programmām, kas neatbalsta "
     u"Unikodu”, lai tas atbilstu lietojumprogrammas valodai."},
    {"nb",
     u"De lokaliserte ressursfilene for dette programmet kunne ikke lastes inn. Installer eller "
     u"reparer programmet på nytt, og prøv igjen.",
     u"Dette programmet støtter ikke gjeldende språk i operativsystemet. Åpne kontrollpanelet "
     u"«Regionale innstillinger og språkinnstillinger» fra Start-menyen i Windows. Endre deretter "
     u"innstillingen «Språk for programmer som ikke støtter Unicode» i kategorien Avansert (i "
     u"Vista kategorien Administrativt) slik at den samsvarer med programmets språk."},
    {"nl",
     u"De gelokaliseerde bronbestanden van deze toepassing kunnen niet worden geladen. Installeer "
     u"of herstel de toepassing en probeer het opnieuw.",
     u"Deze toepassing ondersteunt de huidige taal van het besturingssysteem niet. Open het "
     u"Configuratiescherm “Landinstellingen” via het menu Start van Windows. Wijzig vervolgens op "
     u"het tabblad Geavanceerd (in Vista het tabblad Beheer) de instelling “Taal voor "
     u"niet-Unicode-programma’s” zodat deze overeenkomt met de taal van de toepassing."},
    {"pl",
     u"Nie można załadować zlokalizowanych plików zasobów tej aplikacji. Zainstaluj ponownie lub "
     u"napraw aplikację i spróbuj ponownie.",
     u"Ta aplikacja nie obsługuje bieżącego języka systemu operacyjnego. Otwórz panel sterowania "
     u"„Opcje regionalne i językowe” z menu Start systemu Windows. Następnie na karcie "
     u"Zaawansowane (w systemie Vista na karcie Administracyjne) zmień ustawienie „Język dla "
     u"programów nieobsługujących kodu Unicode”, tak aby odpowiadało językowi aplikacji."},
    {"pt_BR",
     u"Não foi possível carregar os arquivos de recursos localizados deste aplicativo. Reinstale "
     u"ou repare o aplicativo e tente novamente.",
     u"Este aplicativo não oferece suporte ao idioma atual do sistema operacional. Abra o painel "
     u"de controle “Opções regionais e de idioma” no menu Iniciar do Windows. Em seguida, na guia "
     u"Avançado (no Vista, a guia Administrativo), altere a configuração “Idioma para programas "
     u"não Unicode” para corresponder ao idioma do aplicativo."},
    {"ro",
     u"Fișierele de resurse localizate ale acestei aplicații nu au putut fi încărcate. Reinstalați "
     u"sau reparați aplicația și încercați din nou.",
     u"Această aplicație nu acceptă limba curentă a sistemului de operare. Deschideți panoul de "
     u"control „Opțiuni regionale și lingvistice” din meniul Start al Windows. Apoi, în fila "
     u"Complex (în Vista, fila Administrativ), modificați setarea „Limba pentru programele "
     u"non-Unicode” astfel încât să corespundă limbii aplicației."},
    {"ru",
     u"Не удалось загрузить локализованные файлы ресурсов этого приложения. Переустановите или "
     u"восстановите приложение и повторите попытку.",
     u"Это приложение не поддерживает текущий язык операционной системы. Откройте панель "
     u"управления «Язык и региональные стандарты» из меню «Пуск» Windows. Затем на вкладке "
     u"«Дополнительно» (в Vista — на вкладке «Административные») измените параметр «Язык программ, "
     u"не поддерживающих Юникод» в соответствии с языком приложения."},
    {"sk",
     u"Lokalizované súbory prostriedkov tejto aplikácie sa nepodarilo načítať. Preinštalujte alebo "
     u"opravte aplikáciu a skúste to znova.",
     u"Táto aplikácia nepodporuje aktuálny jazyk operačného systému. Otvorte ovládací panel "
     u"„Miestne a jazykové nastavenie“ z ponuky Štart systému Windows. Potom na karte Spresnenie "
     u"(v systéme Vista na karte Správa) zmeňte nastavenie „Jazyk programov, ktoré nepodporujú "
     u"Unicode“ tak, aby zodpovedalo jazyku aplikácie."},
    {"sl",
     u"Lokaliziranih datotek virov tega programa ni bilo mogoče naložiti. Znova namestite ali "
     u"popravite program in poskusite znova.",
     u"Ta program ne podpira trenutnega jezika operacijskega sistema. V meniju Start sistema "
     u"Windows odprite nadzorno ploščo »Področne in jezikovne možnosti«. Nato na zavihku Dodatno "
     u"(v sistemu Vista na zavihku Skrbniško) spremenite nastavitev »Jezik za programe, ki ne "
     u"podpirajo Unicode«, da se bo ujemala z jezikom programa."},
    {"sv",
     u"Det gick inte att läsa in programmets lokaliserade resursfiler. Installera om eller "
     u"reparera programmet och försök igen.",
     u"Programmet har inte stöd för operativsystemets aktuella språk. Öppna kontrollpanelen "
     u"”Nationella inställningar och språkinställningar” från Start-menyn i Windows. Ändra sedan "
     u"inställningen ”Språk för program som inte hanterar Unicode” på fliken Avancerat (i Vista "
     u"fliken Administrativt) så att den stämmer med programmets språk."},
    {"tr",
     u"Bu uygulamanın yerelleştirilmiş kaynak dosyaları yüklenemedi. Lütfen uygulamayı yeniden "
     u"yükleyin veya onarın ve tekrar deneyin.",
     u"Bu uygulama işletim sisteminin geçerli dilini desteklemiyor. Lütfen Windows Başlat "
     u"menüsünden “Bölge ve Dil Seçenekleri” denetim masasını açın. Ardından Gelişmiş sekmesinde "
     u"(Vista’da Yönetimsel sekmesinde) “Unicode olmayan programların dili” ayarını uygulamanın "
     u"diliyle eşleşecek şekilde değiştirin."},
    {"uk",
     u"Не вдалося завантажити локалізовані файли ресурсів цієї програми. Перевстановіть або "
     u"відновіть програму та спробуйте ще раз.",
     u"Ця програма не підтримує поточну мову операційної системи. Відкрийте панель керування «Мова "
     u"й регіональні стандарти» з меню «Пуск» Windows. Потім на вкладці «Додатково» (у Vista — на "
     u"вкладці «Адміністративні») змініть параметр «Мова програм, які не підтримують Юнікод» "
     u"відповідно до мови програми."},
    {"zh_Hans", u"无法加载此应用程序的本地化资源文件。请重新安装或修复该应用程序，然后重试。",
     u"此应用程序不支持当前操作系统语言。请从 "
     u"Windows“开始”菜单打开“区域和语言选项”控制面板。然后在“高级”选项卡（在 Vista "
     u"中为“管理”选项卡）中更改“非 Unicode 程序的语言”设置，使其与应用程序语言一致。"},
    {"zh_Hant", u"無法載入此應用程式的當地語系化資源檔。請重新安裝或修復應用程式，然後再試一次。",
     u"此應用程式不支援目前的作業系統語言。請從 "
     u"Windows「開始」功能表開啟「地區及語言選項」控制台。然後在「進階」索引標籤（在 Vista "
     u"中為「系統管理」索引標籤）中變更「非 Unicode 程式的語言」設定，使其與應用程式語言相符。"},
    {nullptr, kEnglishResourcesUnavailable, kEnglishSystemLanguageUnsupported},
};

const size_t kMuiMessageLocaleCount = sizeof kMuiMessages / sizeof kMuiMessages[0] - 1;
