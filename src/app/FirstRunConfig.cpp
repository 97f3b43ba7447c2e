#include "app/FirstRunConfig.h"

#include "platform/foundation/Paths.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"

namespace frelt {

namespace {

struct TagGroup {
    const LocalizedString* tag;
    std::vector<const char*> desktopIds;
};

// The kinds of applications each tag gathers: office work, the desktop's own
// office suite and the other common one, programming, graphics, utilities of
// others and of the desktop itself, web design, video editing, text editors
// and backups.
const std::vector<TagGroup>& tagGroups() {
    static const std::vector<TagGroup> groups = {
        {&L10n::predefinedTag_Office,
         {"org.gnome.Calendar.desktop", "org.gnome.Contacts.desktop", "org.gnome.Evince.desktop",
          "org.gnome.Evolution.desktop", "org.gnome.Maps.desktop", "org.gnome.Notes.desktop",
          "org.kde.kaddressbook.desktop", "org.kde.kmail2.desktop", "org.kde.korganizer.desktop",
          "org.kde.okular.desktop", "org.kde.marble.desktop", "org.mozilla.Thunderbird.desktop",
          "thunderbird.desktop", "com.github.xournalpp.xournalpp.desktop", "gnucash.desktop",
          "org.gnome.Papers.desktop", "simple-scan.desktop", "org.freeplane.App.desktop"}},
        {&L10n::predefinedTag_Office_LibreOffice,
         {"libreoffice-writer.desktop", "libreoffice-calc.desktop", "libreoffice-impress.desktop",
          "libreoffice-draw.desktop", "libreoffice-startcenter.desktop", "org.libreoffice.LibreOffice.desktop"}},
        {&L10n::predefinedTag_Office_OtherSuites,
         {"onlyoffice-desktopeditors.desktop", "org.onlyoffice.desktopeditors.desktop", "wps-office-wps.desktop",
          "wps-office-et.desktop", "wps-office-wpp.desktop"}},
        {&L10n::predefinedTag_Development,
         {"code.desktop", "codium.desktop", "com.visualstudio.code.desktop", "jetbrains-pycharm-ce.desktop",
          "pycharm-community_pycharm-community.desktop", "org.gnome.Builder.desktop", "org.kde.kdevelop.desktop",
          "org.qt-project.qtcreator.desktop", "eclipse.desktop"}},
        {&L10n::predefinedTag_Development_Tools,
         {"org.gnome.gitg.desktop", "git-cola.desktop", "org.gnome.meld.desktop", "org.zealdocs.zeal.desktop",
          "zeal.desktop", "sqlitebrowser.desktop", "org.gnome.GHex.desktop", "d-feet.desktop"}},
        {&L10n::predefinedTag_Graphics,
         {"gimp.desktop", "org.gimp.GIMP.desktop", "org.inkscape.Inkscape.desktop", "inkscape.desktop",
          "org.kde.krita.desktop", "blender.desktop", "org.blender.Blender.desktop", "darktable.desktop",
          "org.darktable.Darktable.desktop", "rawtherapee.desktop", "org.kde.digikam.desktop",
          "org.gnome.Shotwell.desktop", "mypaint.desktop", "scribus.desktop", "org.kde.kolourpaint.desktop",
          "com.github.PintaProject.Pinta.desktop", "org.gnome.gThumb.desktop", "fontforge.desktop"}},
        {&L10n::predefinedTag_Tools,
         {"org.keepassxc.KeePassXC.desktop", "1password.desktop", "bitwarden.desktop", "org.gnome.FileRoller.desktop",
          "org.kde.ark.desktop", "filezilla.desktop", "org.gnome.baobab.desktop", "org.kde.filelight.desktop",
          "terminator.desktop", "com.gexperts.Tilix.desktop", "kitty.desktop", "Alacritty.desktop",
          "org.kde.yakuake.desktop", "doublecmd.desktop", "org.kde.krusader.desktop", "grsync.desktop",
          "org.bleachbit.BleachBit.desktop", "autokey-gtk.desktop", "org.gnome.Boxes.desktop",
          "virt-manager.desktop", "org.remmina.Remmina.desktop", "catfish.desktop"}},
        {&L10n::predefinedTag_Tools_System,
         {"org.gnome.Software.desktop", "org.kde.discover.desktop", "org.gnome.Calculator.desktop",
          "org.kde.kcalc.desktop", "org.gnome.SystemMonitor.desktop", "gnome-system-monitor.desktop",
          "org.kde.plasma-systemmonitor.desktop", "org.gnome.Logs.desktop", "org.gnome.DiskUtility.desktop",
          "org.kde.partitionmanager.desktop", "org.gnome.seahorse.Application.desktop", "org.kde.kwalletmanager5.desktop",
          "org.gnome.Screenshot.desktop", "org.kde.spectacle.desktop", "org.gnome.Terminal.desktop",
          "org.gnome.Console.desktop", "org.kde.konsole.desktop", "xfce4-terminal.desktop", "org.gnome.Settings.desktop",
          "gnome-control-center.desktop", "systemsettings.desktop", "org.gnome.Nautilus.desktop",
          "org.kde.dolphin.desktop", "thunar.desktop", "org.gnome.Characters.desktop", "org.gnome.font-viewer.desktop",
          "blueman-manager.desktop", "org.gnome.ColorProfileViewer.desktop", "org.kde.kinfocenter.desktop"}},
        {&L10n::predefinedTag_Webdesign,
         {"bluefish.desktop", "brackets.desktop", "kompozer.desktop", "pinegrow.desktop", "xampp-manager.desktop"}},
        {&L10n::predefinedTag_Video,
         {"org.kde.kdenlive.desktop", "org.openshot.OpenShot.desktop", "openshot-qt.desktop", "org.pitivi.Pitivi.desktop",
          "org.shotcut.Shotcut.desktop", "shotcut.desktop", "com.obsproject.Studio.desktop", "natron.desktop"}},
        {&L10n::predefinedTag_Textedit,
         {"org.gnome.TextEditor.desktop", "org.gnome.gedit.desktop", "org.kde.kate.desktop", "org.kde.kwrite.desktop",
          "org.xfce.mousepad.desktop", "geany.desktop", "sublime_text.desktop", "gvim.desktop", "emacs.desktop",
          "pluma.desktop", "xed.desktop"}},
        {&L10n::predefinedTag_Backup,
         {"org.gnome.DejaDup.desktop", "timeshift-gtk.desktop", "backintime-qt.desktop"}},
    };
    return groups;
}

}  // namespace

const std::vector<std::pair<std::string, std::string>>& FirstRunConfig::predefinedDesktopIds() {
    // Each tag name is looked up once and kept for the process.
    static const std::vector<std::pair<std::string, std::string>> rows = [] {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& group : tagGroups())
            for (const char* id : group.desktopIds) out.emplace_back(id, group.tag->value());
        return out;
    }();
    return rows;
}

void FirstRunConfig::loadPredefinedAppTags() {
    predefinedAppTag.clear();
    for (const auto& folder : platform::Paths::applicationFolders())
        for (const auto& [id, tag] : predefinedDesktopIds()) predefinedAppTag.emplace((folder / id).string(), tag);
}

void FirstRunConfig::applyPredefinedAppTags() {
    const auto store = DataStorage::shared();
    for (const auto& [path, tag] : predefinedAppTag) store->setTag(path, tag);
    store->rebuildData(RebuildDataReason::firstRun);
}

}  // namespace frelt
