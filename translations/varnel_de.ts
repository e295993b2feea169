<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DialogSupport</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>About Varnel</source>
        <translation>Über Varnel</translation>
    </message>
    <message>
        <source>Varnel</source>
        <translation>Varnel</translation>
    </message>
    <message>
        <source>Quake PAK File Editor</source>
        <translation>Editor für Quake-PAK-Dateien</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License,
version 3 or later. It comes with NO WARRANTY.</source>
        <translation>Freie Software unter der GNU General Public License,
Version 3 oder später. Sie kommt OHNE JEGLICHE GARANTIE.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TAddDialog</name>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source> Base Directory </source>
        <translation> Basisordner </translation>
    </message>
    <message>
        <source>Enter the base shell directory to offset files from :</source>
        <translation>Basisordner, von dem aus die Dateipfade gelten:</translation>
    </message>
    <message>
        <source> Files To Add </source>
        <translation> Hinzuzufügende Dateien </translation>
    </message>
    <message>
        <source>&amp;Add File</source>
        <translation>Datei &amp;hinzufügen</translation>
    </message>
    <message>
        <source>Add &amp;Directory</source>
        <translation>&amp;Ordner hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Recurse sub-directories when adding directories.</source>
        <translation>Beim Hinzufügen von Ordnern auch alle Unterordner hinzufügen.</translation>
    </message>
    <message>
        <source> Directory </source>
        <translation> Ordner </translation>
    </message>
    <message>
        <source>Enter the internal directory to add the files to :</source>
        <translation>Ordner in der PAK-Datei, in den die Dateien hinzugefügt werden:</translation>
    </message>
    <message>
        <source>Select Files To Add To List</source>
        <translation>Dateien für die Liste auswählen</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>All Quake Formats (%1)</source>
        <translation>Alle Quake-Formate (%1)</translation>
    </message>
</context>
<context>
    <name>TArchiveSession</name>
    <message>
        <source>Quake PAK Files (*.pak)</source>
        <translation>Quake-PAK-Dateien (*.pak)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The PAK file could not be saved.</source>
        <translation>Die PAK-Datei konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The archive was changed by another program since it was opened. Overwrite it?</source>
        <translation>Das Archiv wurde seit dem Öffnen von einem anderen Programm geändert. Trotzdem überschreiben?</translation>
    </message>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
    <message>
        <source>Open PAK File</source>
        <translation>PAK-Datei öffnen</translation>
    </message>
    <message>
        <source>Invalid Quake Directory.</source>
        <translation>Ungültiger Quake-Ordner.</translation>
    </message>
    <message>
        <source>This is not a valid PAK file.</source>
        <translation>Dies ist keine gültige PAK-Datei.</translation>
    </message>
    <message>
        <source>Can&apos;t overwrite protected ID1 PAK File.</source>
        <translation>Die geschützte ID1-PAK-Datei kann nicht überschrieben werden.</translation>
    </message>
    <message>
        <source>Save PAK As...</source>
        <translation>PAK-Datei speichern unter...</translation>
    </message>
    <message>
        <source>Files cannot be added to a protected PAK file.</source>
        <translation>Zu einer geschützten PAK-Datei können keine Dateien hinzugefügt werden.</translation>
    </message>
    <message>
        <source>The files could not be extracted.</source>
        <translation>Die Dateien konnten nicht entpackt werden.</translation>
    </message>
    <message>
        <source>The entry could not be extracted for viewing.</source>
        <translation>Der Eintrag konnte zum Ansehen nicht entpackt werden.</translation>
    </message>
    <message>
        <source>Some of the files could not be added to the PAK file.</source>
        <translation>Einige Dateien konnten nicht zur PAK-Datei hinzugefügt werden.</translation>
    </message>
    <message>
        <source>There is no PAK file open for you to add to.<byte value="xd"/>
Would you like to create a new one?</source>
        <translation>Es ist keine PAK-Datei geöffnet, zu der hinzugefügt werden kann.<byte value="xd"/>
Möchten Sie eine neue anlegen?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete these %1 files?</source>
        <translation>Möchten Sie diese %1 Dateien wirklich löschen?</translation>
    </message>
    <message>
        <source>No folder was given to extract the files to.</source>
        <translation>Es wurde kein Ordner angegeben, in den die Dateien entpackt werden sollen.</translation>
    </message>
    <message>
        <source>This entry has no file name and cannot be viewed.</source>
        <translation>Dieser Eintrag hat keinen Dateinamen und kann nicht angesehen werden.</translation>
    </message>
    <message>
        <source>There is no application associated with this file type.</source>
        <translation>Diesem Dateityp ist kein Programm zugeordnet.</translation>
    </message>
    <message>
        <source>The program for this file type could not be started.</source>
        <translation>Das Programm für diesen Dateityp konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The file does not begin like a PAK file.</source>
        <translation>Die Datei beginnt nicht wie eine PAK-Datei.</translation>
    </message>
    <message>
        <source>No Quake directory is set (View, Options).</source>
        <translation>Es ist kein Quake-Ordner festgelegt (Ansicht, Einstellungen).</translation>
    </message>
    <message>
        <source>%1 was not found under %2.</source>
        <translation>%1 wurde unter %2 nicht gefunden.</translation>
    </message>
    <message>
        <source>Remove it from the list of recent files?</source>
        <translation>Aus der Liste der zuletzt geöffneten Dateien entfernen?</translation>
    </message>
    <message>
        <source>The PAK file %1 is damaged.</source>
        <translation>Die PAK-Datei %1 ist beschädigt.</translation>
    </message>
    <message>
        <source>The PAK file %1 is damaged. Replace it with the 1 entry listed?</source>
        <translation>Die PAK-Datei %1 ist beschädigt. Durch den einen aufgeführten Eintrag ersetzen?</translation>
    </message>
    <message>
        <source>The PAK file %1 is damaged. Replace it with the %2 entries listed?</source>
        <translation>Die PAK-Datei %1 ist beschädigt. Durch die %2 aufgeführten Einträge ersetzen?</translation>
    </message>
    <message>
        <source>Yes replaces the damaged file. No saves the archive under another name and keeps the damaged file as it is.</source>
        <translation>Ja ersetzt die beschädigte Datei. Nein speichert das Archiv unter einem anderen Namen und lässt die beschädigte Datei, wie sie ist.</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this file?</source>
        <translation>Möchten Sie diese Datei wirklich löschen?</translation>
    </message>
    <message>
        <source>Extract the entry to a folder instead?</source>
        <translation>Den Eintrag stattdessen in einen Ordner entpacken?</translation>
    </message>
    <message numerus="yes">
        <source>The archive check finds %n error(s) in this archive. Save anyway?</source>
        <translation>
            <numerusform>Die Archivprüfung findet %n Fehler in diesem Archiv. Trotzdem speichern?</numerusform>
            <numerusform>Die Archivprüfung findet %n Fehler in diesem Archiv. Trotzdem speichern?</numerusform>
        </translation>
    </message>
    <message>
        <source>The picture could not be exported.</source>
        <translation>Das Bild konnte nicht exportiert werden.</translation>
    </message>
    <message>
        <source>The picture could not be imported.</source>
        <translation>Das Bild konnte nicht importiert werden.</translation>
    </message>
    <message>
        <source>Export as PNG</source>
        <translation>Als PNG exportieren</translation>
    </message>
    <message>
        <source>PNG Images (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>Import Picture</source>
        <translation>Bild importieren</translation>
    </message>
    <message>
        <source>Pictures (*.png *.bmp *.tga)</source>
        <translation>Bilder (*.png *.bmp *.tga)</translation>
    </message>
    <message>
        <source>Replace %1 with the picture? No adds it as a new entry.</source>
        <translation>%1 durch das Bild ersetzen? Nein fügt es als neuen Eintrag hinzu.</translation>
    </message>
    <message>
        <source>The entry could not be extracted for editing.</source>
        <translation>Der Eintrag konnte zum Bearbeiten nicht entpackt werden.</translation>
    </message>
    <message>
        <source>%1 was changed by %2. Update it in the archive?</source>
        <translation>%1 wurde von %2 geändert. Im Archiv aktualisieren?</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>einem anderen Programm</translation>
    </message>
    <message>
        <source>%1 is no longer in the archive.</source>
        <translation>%1 ist nicht mehr im Archiv.</translation>
    </message>
    <message>
        <source>The entry could not be updated.</source>
        <translation>Der Eintrag konnte nicht aktualisiert werden.</translation>
    </message>
    <message>
        <source>%1 could not be started.</source>
        <translation>%1 konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Overwrite replaces the other program&apos;s file with this archive. Save As saves this archive under another name and leaves that file as it is.</source>
        <translation>„Überschreiben“ ersetzt die Datei des anderen Programms durch dieses Archiv. „Speichern unter“ speichert dieses Archiv unter einem anderen Namen und lässt jene Datei, wie sie ist.</translation>
    </message>
    <message>
        <source>&amp;Overwrite</source>
        <translation>&amp;Überschreiben</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>... und %1 weitere.</translation>
    </message>
    <message>
        <source>%1: left out, the name has no file part</source>
        <translation>%1: ausgelassen, der Name hat keinen Dateiteil</translation>
    </message>
    <message>
        <source>%1: left out, another entry is offered as %2</source>
        <translation>%1: ausgelassen, ein anderer Eintrag wird als %2 angeboten</translation>
    </message>
    <message>
        <source>%1: offered as %2</source>
        <translation>%1: als %2 angeboten</translation>
    </message>
    <message>
        <source>Some of the dragged entries are offered under other names or not at all.</source>
        <translation>Einige der gezogenen Einträge werden unter anderen Namen oder gar nicht angeboten.</translation>
    </message>
    <message>
        <source>It runs in a terminal, and no terminal was found.</source>
        <translation>Es läuft in einem Terminal, und es wurde kein Terminal gefunden.</translation>
    </message>
    <message>
        <source>%1 crashed.</source>
        <translation>%1 ist abgestürzt.</translation>
    </message>
    <message>
        <source>%1 ended with exit status %2.</source>
        <translation>%1 wurde mit dem Exit-Status %2 beendet.</translation>
    </message>
    <message>
        <source>%1 was changed by %2.</source>
        <translation>%1 wurde von %2 geändert.</translation>
    </message>
    <message>
        <source>%1 is still open in %2.</source>
        <translation>%1 ist noch in %2 geöffnet.</translation>
    </message>
    <message>
        <source>Take Back updates the archive with the changes, Discard drops them; either way their copies are removed. Cancel keeps the archive open.</source>
        <translation>„Übernehmen“ aktualisiert das Archiv mit den Änderungen, „Verwerfen“ verwirft sie; in beiden Fällen werden ihre Kopien entfernt. „Abbrechen“ lässt das Archiv geöffnet.</translation>
    </message>
    <message>
        <source>Entries handed to other programs were changed there and not updated in the archive, or are still open there. Update the archive with their changes?</source>
        <translation>An andere Programme übergebene Einträge wurden dort geändert, aber nicht im Archiv aktualisiert, oder sind dort noch geöffnet. Das Archiv mit ihren Änderungen aktualisieren?</translation>
    </message>
    <message>
        <source>&amp;Take Back</source>
        <translation>&amp;Übernehmen</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>The entries could not be deleted.</source>
        <translation>Die Einträge konnten nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Some of the entries could not be moved.</source>
        <translation>Einige Einträge konnten nicht verschoben werden.</translation>
    </message>
    <message>
        <source>The last change could not be undone.</source>
        <translation>Die letzte Änderung konnte nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>The file %1 no longer exists.</source>
        <translation>Die Datei %1 gibt es nicht mehr.</translation>
    </message>
    <message>
        <source>Varnel opens the PAK files of a Quake installation: please choose the Quake directory, the folder that holds id1/pak0.pak.</source>
        <translation>Varnel öffnet die PAK-Dateien einer Quake-Installation: Bitte wählen Sie den Quake-Ordner, also den Ordner, der id1/pak0.pak enthält.</translation>
    </message>
    <message>
        <source>A Quake installation was found in %1. Use it as the Quake directory?</source>
        <translation>In %1 wurde eine Quake-Installation gefunden. Als Quake-Ordner verwenden?</translation>
    </message>
    <message>
        <source>Entry name:</source>
        <translation>Name des Eintrags:</translation>
    </message>
    <message>
        <source>The lump holds no picture.</source>
        <translation>Der Lump enthält kein Bild.</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>Colour map</source>
        <translation>Farbtabelle</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>Klang</translation>
    </message>
    <message>
        <source>Console font</source>
        <translation>Konsolenschrift</translation>
    </message>
    <message>
        <source>Mip texture</source>
        <translation>Mip-Textur</translation>
    </message>
    <message>
        <source>Type %1</source>
        <translation>Typ %1</translation>
    </message>
    <message>
        <source>%1 is too large to be shown as a folder: it has more than %2 MiB.</source>
        <translation>%1 ist zu groß, um als Ordner gezeigt zu werden: Es hat mehr als %2 MiB.</translation>
    </message>
    <message>
        <source>%1 is no map whose textures can be read.</source>
        <translation>%1 ist keine Karte, deren Texturen gelesen werden können.</translation>
    </message>
    <message>
        <source>%1 is no WAD file.</source>
        <translation>%1 ist keine WAD-Datei.</translation>
    </message>
    <message>
        <source>The WAD file could not be written.</source>
        <translation>Die WAD-Datei konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Replace %1 with the picture? No adds it as a new lump.</source>
        <translation>%1 durch das Bild ersetzen? Nein fügt es als neuen Lump hinzu.</translation>
    </message>
    <message>
        <source>Lump name:</source>
        <translation>Name des Lumps:</translation>
    </message>
    <message>
        <source>A lump named %1 exists already. Replace it?</source>
        <translation>Es gibt schon einen Lump namens %1. Ersetzen?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete this lump?</source>
        <translation>Möchten Sie diesen Lump wirklich löschen?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete these %1 lumps?</source>
        <translation>Möchten Sie diese %1 Lumps wirklich löschen?</translation>
    </message>
    <message>
        <source>The lump could not be renamed.</source>
        <translation>Der Lump konnte nicht umbenannt werden.</translation>
    </message>
    <message>
        <source>The lumps could not be extracted.</source>
        <translation>Die Lumps konnten nicht entpackt werden.</translation>
    </message>
    <message>
        <source>WAD2 Files (*.wad)</source>
        <translation>WAD2-Dateien (*.wad)</translation>
    </message>
    <message>
        <source>Save WAD As...</source>
        <translation>WAD speichern unter...</translation>
    </message>
    <message>
        <source>Files cannot be added to a WAD file; Import Picture adds lumps.</source>
        <translation>Zu einer WAD-Datei können keine Dateien hinzugefügt werden; „Bild importieren“ fügt Lumps hinzu.</translation>
    </message>
    <message>
        <source>The WAD file could not be saved.</source>
        <translation>Die WAD-Datei konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Another lump is named %1.</source>
        <translation>Ein anderer Lump heißt %1.</translation>
    </message>
    <message>
        <source>%1 is damaged: the lumps listed below are left out, and a change writes it without them.</source>
        <translation>%1 ist beschädigt: Die unten aufgeführten Lumps werden ausgelassen, und eine Änderung schreibt die Datei ohne sie.</translation>
    </message>
</context>
<context>
    <name>TCheckArchiveDlg</name>
    <message>
        <source>Check Archive</source>
        <translation>Archiv prüfen</translation>
    </message>
    <message>
        <source>Severity</source>
        <translation>Schwere</translation>
    </message>
    <message>
        <source>Entry</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>The check found nothing to report.</source>
        <translation>Die Prüfung hat nichts zu melden.</translation>
    </message>
    <message>
        <source>The check found %1 and %2.</source>
        <translation>Die Prüfung hat %1 und %2 gefunden.</translation>
    </message>
    <message numerus="yes">
        <source>%n error(s)</source>
        <translation>
            <numerusform>%n Fehler</numerusform>
            <numerusform>%n Fehler</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n warning(s)</source>
        <translation>
            <numerusform>%n Warnung</numerusform>
            <numerusform>%n Warnungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>(archive)</source>
        <translation>(Archiv)</translation>
    </message>
    <message>
        <source>&amp;Go to Entry</source>
        <translation>&amp;Zum Eintrag</translation>
    </message>
</context>
<context>
    <name>TCheckNote</name>
    <message>
        <source>Check Archive</source>
        <translation>Archiv prüfen</translation>
    </message>
    <message>
        <source>%1 entries: the game loads no archive of more than %2</source>
        <translation>%1 Einträge: Das Spiel lädt kein Archiv mit mehr als %2</translation>
    </message>
</context>
<context>
    <name>TCompareModel</name>
    <message>
        <source>Only in this archive</source>
        <translation>Nur in diesem Archiv</translation>
    </message>
    <message>
        <source>Only in the other</source>
        <translation>Nur im anderen</translation>
    </message>
    <message>
        <source>Different</source>
        <translation>Verschieden</translation>
    </message>
    <message>
        <source>Identical</source>
        <translation>Gleich</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Difference</source>
        <translation>Unterschied</translation>
    </message>
    <message>
        <source>Size Here</source>
        <translation>Größe hier</translation>
    </message>
    <message>
        <source>Size in the Other</source>
        <translation>Größe im anderen</translation>
    </message>
</context>
<context>
    <name>TCompareWindow</name>
    <message>
        <source>Compare %1 with %2</source>
        <translation>%1 mit %2 vergleichen</translation>
    </message>
    <message>
        <source>This archive: %1
The other: %2</source>
        <translation>Dieses Archiv: %1
Das andere: %2</translation>
    </message>
    <message>
        <source>The open archive has changes that are not saved: it is compared as it was last saved.</source>
        <translation>Das geöffnete Archiv hat ungespeicherte Änderungen: Verglichen wird es so, wie es zuletzt gespeichert wurde.</translation>
    </message>
    <message>
        <source>&amp;View This Archive&apos;s Copy</source>
        <translation>Kopie dieses Archivs &amp;ansehen</translation>
    </message>
    <message>
        <source>View the &amp;Other&apos;s Copy</source>
        <translation>Kopie des an&amp;deren ansehen</translation>
    </message>
    <message>
        <source>&amp;Extract This Archive&apos;s Copies...</source>
        <translation>Kopien dieses Archivs &amp;entpacken...</translation>
    </message>
    <message>
        <source>E&amp;xtract the Other&apos;s Copies...</source>
        <translation>Kopien des anderen ent&amp;packen...</translation>
    </message>
    <message>
        <source>Comparing the archives...</source>
        <translation>Die Archive werden verglichen...</translation>
    </message>
    <message>
        <source>One of the files is not a valid PAK file.</source>
        <translation>Eine der Dateien ist keine gültige PAK-Datei.</translation>
    </message>
    <message>
        <source>The archives could not be compared.</source>
        <translation>Die Archive konnten nicht verglichen werden.</translation>
    </message>
    <message>
        <source>The archives hold the same entries with the same bytes.</source>
        <translation>Die Archive enthalten dieselben Einträge mit denselben Bytes.</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>The entry could not be extracted for viewing.</source>
        <translation>Der Eintrag konnte zum Ansehen nicht entpackt werden.</translation>
    </message>
    <message>
        <source>There is no application associated with this file type.</source>
        <translation>Diesem Dateityp ist kein Programm zugeordnet.</translation>
    </message>
    <message>
        <source>The program for this file type could not be started.</source>
        <translation>Das Programm für diesen Dateityp konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The files could not be extracted.</source>
        <translation>Die Dateien konnten nicht entpackt werden.</translation>
    </message>
    <message numerus="yes">
        <source>Extracted %n file(s) to %1</source>
        <translation>
            <numerusform>%n Datei nach %1 entpackt</numerusform>
            <numerusform>%n Dateien nach %1 entpackt</numerusform>
        </translation>
    </message>
    <message>
        <source>Compare With</source>
        <translation>Vergleichen mit</translation>
    </message>
    <message>
        <source>%1 is not a valid PAK file.</source>
        <translation>%1 ist keine gültige PAK-Datei.</translation>
    </message>
</context>
<context>
    <name>TConfirmReplaceDialog</name>
    <message>
        <source>Confirm File Replace</source>
        <translation>Ersetzen bestätigen</translation>
    </message>
    <message>
        <source>The file :</source>
        <translation>Die Datei:</translation>
    </message>
    <message>
        <source>already exists in this PAK file.</source>
        <translation>ist in dieser PAK-Datei schon vorhanden.</translation>
    </message>
    <message>
        <source>Do you want to replace it with this new copy?</source>
        <translation>Möchten Sie sie durch diese neue Kopie ersetzen?</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>Yes To &amp;All</source>
        <translation>Ja, &amp;alle</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>No &amp;To All</source>
        <translation>N&amp;ein, keine</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abb&amp;rechen</translation>
    </message>
    <message>
        <source>already exists on disk.</source>
        <translation>ist auf dem Datenträger schon vorhanden.</translation>
    </message>
    <message>
        <source>Do you want to replace it with the entry from the PAK file?</source>
        <translation>Möchten Sie sie durch den Eintrag aus der PAK-Datei ersetzen?</translation>
    </message>
</context>
<context>
    <name>TEditWithDialog</name>
    <message>
        <source>Edit With</source>
        <translation>Bearbeiten mit</translation>
    </message>
    <message>
        <source>&amp;Other Program...</source>
        <translation>&amp;Anderes Programm...</translation>
    </message>
    <message>
        <source>No installed program declares the type of %1. Choose one with Other Program.</source>
        <translation>Kein installiertes Programm gibt den Typ von %1 an. Wählen Sie eines mit „Anderes Programm“.</translation>
    </message>
    <message>
        <source>Edit %1 with:</source>
        <translation>%1 bearbeiten mit:</translation>
    </message>
    <message>
        <source>Always use this program for .%1 files</source>
        <translation>Dieses Programm immer für .%1-Dateien verwenden</translation>
    </message>
    <message>
        <source>Choose Program</source>
        <translation>Programm wählen</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 is not a program that can be started.</source>
        <translation>%1 ist kein Programm, das gestartet werden kann.</translation>
    </message>
</context>
<context>
    <name>TEntryBrowser</name>
    <message>
        <source>Filter: text in the name, or a pattern such as *.wav</source>
        <translation>Filter: Text im Namen oder ein Muster wie *.wav</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Lumps of %1</source>
        <translation>Lumps von %1</translation>
    </message>
</context>
<context>
    <name>TEntryListModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n Byte</numerusform>
            <numerusform>%n Bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 B</source>
        <translation>%1 B</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
</context>
<context>
    <name>TEntryListView</name>
    <message>
        <source>Sizes in KB/MB</source>
        <translation>Größen in KB/MB</translation>
    </message>
</context>
<context>
    <name>TExtractDialog</name>
    <message>
        <source>Extract File(s)</source>
        <translation>Datei(en) entpacken</translation>
    </message>
    <message>
        <source>&amp;Extract Files To :</source>
        <translation>Dateien &amp;entpacken nach:</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Extract :</source>
        <translation>Entpacken:</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Selected Files</source>
        <translation>Ausgewählte Dateien</translation>
    </message>
    <message>
        <source>Maintain directory structure</source>
        <translation>Ordnerstruktur beibehalten</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message numerus="yes">
        <source>All %n file(s)</source>
        <translation>
            <numerusform>Die %n Datei</numerusform>
            <numerusform>Alle %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>All %n file(s) in %1</source>
        <translation>
            <numerusform>Die %n Datei in %1</numerusform>
            <numerusform>Alle %n Dateien in %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TFileKind</name>
    <message>
        <source>Lump Files</source>
        <translation>Lump-Dateien</translation>
    </message>
    <message>
        <source>WAD2 Files</source>
        <translation>WAD2-Dateien</translation>
    </message>
    <message>
        <source>Wave Sounds</source>
        <translation>Wave-Klänge</translation>
    </message>
    <message>
        <source>Model Files</source>
        <translation>Modelldateien</translation>
    </message>
    <message>
        <source>Quake Maps</source>
        <translation>Quake-Karten</translation>
    </message>
    <message>
        <source>Sprites</source>
        <translation>Sprites</translation>
    </message>
    <message>
        <source>Compiled Quake C</source>
        <translation>Kompiliertes Quake-C</translation>
    </message>
    <message>
        <source>Config Files</source>
        <translation>Konfigurationsdateien</translation>
    </message>
    <message>
        <source>End Screen</source>
        <translation>Endbildschirm</translation>
    </message>
    <message>
        <source>Quake Demos</source>
        <translation>Quake-Demos</translation>
    </message>
</context>
<context>
    <name>TGameFolderDialog</name>
    <message>
        <source>Open Game Folder</source>
        <translation>Spielordner öffnen</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>&amp;Quake directory:</source>
        <translation>&amp;Quake-Verzeichnis:</translation>
    </message>
    <message>
        <source>Mission packs:</source>
        <translation>Missionspakete:</translation>
    </message>
    <message>
        <source>&amp;Mod folder:</source>
        <translation>&amp;Mod-Ordner:</translation>
    </message>
    <message>
        <source>&amp;Engine:</source>
        <translation>&amp;Engine:</translation>
    </message>
    <message>
        <source>Quake Directory</source>
        <translation>Quake-Verzeichnis</translation>
    </message>
    <message>
        <source>(none: id1 only)</source>
        <translation>(keiner: nur id1)</translation>
    </message>
    <message>
        <source>This folder holds no Quake installation: it has no folder id1.</source>
        <translation>Dieser Ordner enthält keine Quake-Installation: Er hat keinen Ordner id1.</translation>
    </message>
</context>
<context>
    <name>TGameFolderModel</name>
    <message>
        <source>%1 (loose file)</source>
        <translation>%1 (lose Datei)</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Shadowed by</source>
        <translation>Verdeckt von</translation>
    </message>
</context>
<context>
    <name>TGameFolderWindow</name>
    <message>
        <source>Game Folder - %1 (%2, %3)</source>
        <translation>Spielordner - %1 (%2, %3)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansehen</translation>
    </message>
    <message>
        <source>Open the file the game loads with its program</source>
        <translation>Die Datei, die das Spiel lädt, mit ihrem Programm öffnen</translation>
    </message>
    <message>
        <source>&amp;Extract...</source>
        <translation>&amp;Entpacken...</translation>
    </message>
    <message>
        <source>Copy the files the game loads to a folder</source>
        <translation>Die Dateien, die das Spiel lädt, in einen Ordner kopieren</translation>
    </message>
    <message>
        <source>Pre&amp;view Pane</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Filter names (text or *.wav)</source>
        <translation>Namen filtern (Text oder *.wav)</translation>
    </message>
    <message>
        <source>only files the &amp;mod changes</source>
        <translation>nur Dateien, die der &amp;Mod ändert</translation>
    </message>
    <message>
        <source>only &amp;shadowed files</source>
        <translation>nur &amp;verdeckte Dateien</translation>
    </message>
    <message numerus="yes">
        <source>Extracted %n file(s) to %1</source>
        <translation>
            <numerusform>%n Datei nach %1 entpackt</numerusform>
            <numerusform>%n Dateien nach %1 entpackt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) the game loads</source>
        <translation>
            <numerusform>%n Datei, die das Spiel lädt</numerusform>
            <numerusform>%n Dateien, die das Spiel lädt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n row(s) shown</source>
        <translation>
            <numerusform>%n Zeile angezeigt</numerusform>
            <numerusform>%n Zeilen angezeigt</numerusform>
        </translation>
    </message>
    <message>
        <source>The game&apos;s files could not be read or copied.</source>
        <translation>Die Dateien des Spiels konnten nicht gelesen oder kopiert werden.</translation>
    </message>
    <message>
        <source>%1: left out, the name has no file part</source>
        <translation>%1: ausgelassen, der Name hat keinen Dateiteil</translation>
    </message>
    <message>
        <source>%1: left out, its folder could not be made there</source>
        <translation>%1: ausgelassen, sein Ordner konnte dort nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1: left out, a folder has that name</source>
        <translation>%1: ausgelassen, ein Ordner hat diesen Namen</translation>
    </message>
    <message>
        <source>Some files were not extracted.</source>
        <translation>Einige Dateien wurden nicht entpackt.</translation>
    </message>
    <message>
        <source>There is no application associated with this file type.</source>
        <translation>Diesem Dateityp ist kein Programm zugeordnet.</translation>
    </message>
    <message>
        <source>The program for this file type could not be started.</source>
        <translation>Das Programm für diesen Dateityp konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The archive could not be opened in a new window.</source>
        <translation>Das Archiv konnte nicht in einem neuen Fenster geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>TLumpListModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
</context>
<context>
    <name>TLumpViewForm</name>
    <message>
        <source>Save As Bitmap</source>
        <translation>Als Bitmap speichern</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Lump Viewer - </source>
        <translation>Lump-Betrachter - </translation>
    </message>
    <message>
        <source>Save Lump As Bitmap</source>
        <translation>Lump als Bitmap speichern</translation>
    </message>
    <message>
        <source>Bitmaps (*.bmp)</source>
        <translation>Bitmaps (*.bmp)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The picture&apos;s header gives %1 × %2 pixels: there is nothing to show.</source>
        <translation>Der Kopf des Bildes gibt %1 × %2 Pixel an: Es gibt nichts anzuzeigen.</translation>
    </message>
    <message>
        <source>This entry cannot be shown as a picture.</source>
        <translation>Dieser Eintrag kann nicht als Bild angezeigt werden.</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>%1×</source>
        <translation>%1×</translation>
    </message>
    <message>
        <source>Export as PNG...</source>
        <translation>Als PNG exportieren...</translation>
    </message>
    <message>
        <source>Brighten</source>
        <translation>Aufhellen</translation>
    </message>
    <message>
        <source>Show and save the picture brightened; off: its true colours</source>
        <translation>Das Bild aufgehellt zeigen und speichern; aus: in seinen wahren Farben</translation>
    </message>
    <message>
        <source>palette</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>colour map</source>
        <translation>Farbtabelle</translation>
    </message>
    <message>
        <source>picture lump</source>
        <translation>Bild-Lump</translation>
    </message>
    <message>
        <source>%1 × %2, %3</source>
        <translation>%1 × %2, %3</translation>
    </message>
    <message>
        <source>Save Lump As Bitmap (no transparency in BMP: Export as PNG keeps it)</source>
        <translation>Lump als Bitmap speichern (BMP kennt keine Transparenz: „Als PNG exportieren“ behält sie)</translation>
    </message>
</context>
<context>
    <name>TMain</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>A&amp;ktionen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Varnel</source>
        <translation>Varnel</translation>
    </message>
    <message>
        <source>Varnel - </source>
        <translation>Varnel - </translation>
    </message>
    <message>
        <source>Protected</source>
        <translation>Geschützt</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Varnel - %1 (damaged)</source>
        <translation>Varnel - %1 (beschädigt)</translation>
    </message>
    <message>
        <source>Select A&amp;ll</source>
        <translation>Alles aus&amp;wählen</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n file(s)</source>
        <translation>
            <numerusform>%1 von %n Datei</numerusform>
            <numerusform>%1 von %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) selected</source>
        <translation>
            <numerusform>%n Datei ausgewählt</numerusform>
            <numerusform>%n Dateien ausgewählt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Extracted %n file(s) to %1</source>
        <translation>
            <numerusform>%n Datei nach %1 entpackt</numerusform>
            <numerusform>%n Dateien nach %1 entpackt</numerusform>
        </translation>
    </message>
    <message>
        <source>The folder could not be opened.</source>
        <translation>Der Ordner konnte nicht geöffnet werden.</translation>
    </message>
    <message numerus="yes">
        <source>%n lump(s)</source>
        <translation>
            <numerusform>%n Lump</numerusform>
            <numerusform>%n Lumps</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n lump(s) selected</source>
        <translation>
            <numerusform>%n Lump ausgewählt</numerusform>
            <numerusform>%n Lumps ausgewählt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TMainActions</name>
    <message>
        <source>&amp;New...</source>
        <translation>&amp;Neu...</translation>
    </message>
    <message>
        <source>Make New PAK File</source>
        <translation>Neue PAK-Datei anlegen</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Öffnen...</translation>
    </message>
    <message>
        <source>Open PAK File</source>
        <translation>PAK-Datei öffnen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>Add File To PAK File</source>
        <translation>Datei zur PAK-Datei hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Delete File From PAK File</source>
        <translation>Datei aus der PAK-Datei löschen</translation>
    </message>
    <message>
        <source>&amp;Extract...</source>
        <translation>&amp;Entpacken...</translation>
    </message>
    <message>
        <source>Extract File From PAK File</source>
        <translation>Datei aus der PAK-Datei entpacken</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansehen</translation>
    </message>
    <message>
        <source>View File</source>
        <translation>Datei ansehen</translation>
    </message>
    <message>
        <source>&amp;Move Files...</source>
        <translation>Dateien &amp;verschieben...</translation>
    </message>
    <message>
        <source>Move File</source>
        <translation>Datei verschieben</translation>
    </message>
    <message>
        <source>Sort By &amp;Name</source>
        <translation>Nach &amp;Name sortieren</translation>
    </message>
    <message>
        <source>Sort By &amp;Size</source>
        <translation>Nach &amp;Größe sortieren</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>About Varnel...</source>
        <translation>Über Varnel...</translation>
    </message>
    <message>
        <source>&amp;Undo Add File(s)</source>
        <translation>&amp;Rückgängig: Datei(en) hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Undo Delete File(s)</source>
        <translation>&amp;Rückgängig: Datei(en) löschen</translation>
    </message>
    <message>
        <source>&amp;Undo Rename File(s)</source>
        <translation>&amp;Rückgängig: Datei(en) umbenennen</translation>
    </message>
    <message>
        <source>&amp;Undo Move File(s)</source>
        <translation>&amp;Rückgängig: Datei(en) verschieben</translation>
    </message>
    <message>
        <source>&amp;Check Archive</source>
        <translation>Archiv &amp;prüfen</translation>
    </message>
    <message>
        <source>Export as &amp;PNG...</source>
        <translation>Als &amp;PNG exportieren...</translation>
    </message>
    <message>
        <source>Save the picture as a PNG image</source>
        <translation>Das Bild als PNG-Bild speichern</translation>
    </message>
    <message>
        <source>&amp;Import Picture...</source>
        <translation>Bild &amp;importieren...</translation>
    </message>
    <message>
        <source>Make a picture lump from a PNG, BMP or TGA image</source>
        <translation>Einen Bild-Lump aus einem PNG-, BMP- oder TGA-Bild machen</translation>
    </message>
    <message>
        <source>Check whether the game reads every entry of the archive</source>
        <translation>Prüfen, ob das Spiel jeden Eintrag des Archivs liest</translation>
    </message>
    <message>
        <source>Edi&amp;t</source>
        <translation>Bear&amp;beiten</translation>
    </message>
    <message>
        <source>Edit the file in another program and take its changes back into the archive</source>
        <translation>Die Datei in einem anderen Programm bearbeiten und ihre Änderungen ins Archiv übernehmen</translation>
    </message>
    <message>
        <source>Edit &amp;With...</source>
        <translation>Bearbeiten &amp;mit...</translation>
    </message>
    <message>
        <source>Choose the program to edit the file in</source>
        <translation>Das Programm wählen, in dem die Datei bearbeitet wird</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Umbenennen</translation>
    </message>
    <message>
        <source>Rename the file in the list</source>
        <translation>Die Datei in der Liste umbenennen</translation>
    </message>
    <message>
        <source>Sort By Pat&amp;h</source>
        <translation>Nach &amp;Pfad sortieren</translation>
    </message>
    <message>
        <source>Sort By T&amp;ype</source>
        <translation>Nach &amp;Typ sortieren</translation>
    </message>
    <message>
        <source>Sort By O&amp;ffset</source>
        <translation>Nach &amp;Offset sortieren</translation>
    </message>
    <message>
        <source>&amp;Undo Update of %1</source>
        <translation>&amp;Rückgängig: %1 aktualisieren</translation>
    </message>
    <message>
        <source>Pre&amp;view Pane</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>Show or hide what the selected entry holds beside the list</source>
        <translation>Neben der Liste zeigen oder verbergen, was der ausgewählte Eintrag enthält</translation>
    </message>
    <message>
        <source>Go to P&amp;review</source>
        <translation>Zur Vorschau &amp;wechseln</translation>
    </message>
    <message>
        <source>Move the keyboard focus into the preview pane</source>
        <translation>Den Tastaturfokus in die Vorschau setzen</translation>
    </message>
    <message>
        <source>C&amp;ompare With...</source>
        <translation>Ver&amp;gleichen mit...</translation>
    </message>
    <message>
        <source>Compare the archive as saved with another PAK file</source>
        <translation>Das Archiv, wie es gespeichert ist, mit einer anderen PAK-Datei vergleichen</translation>
    </message>
    <message>
        <source>Open &amp;Game Folder...</source>
        <translation>Spiel&amp;ordner öffnen...</translation>
    </message>
    <message>
        <source>List every file the game loads from a Quake directory and a mod</source>
        <translation>Jede Datei auflisten, die das Spiel aus einem Quake-Verzeichnis und einem Mod lädt</translation>
    </message>
</context>
<context>
    <name>TMoveDialog</name>
    <message>
        <source>Move Files</source>
        <translation>Dateien verschieben</translation>
    </message>
    <message>
        <source>Move selected files to directory :</source>
        <translation>Ausgewählte Dateien in diesen Ordner verschieben:</translation>
    </message>
</context>
<context>
    <name>TOpenOrAddDialog</name>
    <message>
        <source>Open Or Add?</source>
        <translation>Öffnen oder hinzufügen?</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>There is already a PAK file open. Do you want to open this one, closing the currently open one, or add it to the open PAK file?</source>
        <translation>Es ist schon eine PAK-Datei geöffnet. Möchten Sie diese Datei öffnen und die geöffnete schließen, oder möchten Sie sie zur geöffneten PAK-Datei hinzufügen?</translation>
    </message>
</context>
<context>
    <name>TPreviewPane</name>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 Pixel</translation>
    </message>
    <message>
        <source>The entry cannot be read: %1</source>
        <translation>Der Eintrag kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Size: %1 bytes</source>
        <translation>Größe: %1 Bytes</translation>
    </message>
    <message>
        <source>Position: %1</source>
        <translation>Position: %1</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>%1 file</source>
        <translation>%1-Datei</translation>
    </message>
    <message numerus="yes">
        <source>The first %n byte(s) in hexadecimal</source>
        <translation>
            <numerusform>%n Byte vom Anfang, hexadezimal</numerusform>
            <numerusform>%n Bytes vom Anfang, hexadezimal</numerusform>
        </translation>
    </message>
    <message>
        <source>Picture lump</source>
        <translation>Bild-Lump</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>Palette</translation>
    </message>
    <message numerus="yes">
        <source>%n colour(s)</source>
        <translation>
            <numerusform>%n Farbe</numerusform>
            <numerusform>%n Farben</numerusform>
        </translation>
    </message>
    <message>
        <source>Colour map</source>
        <translation>Farbtabelle</translation>
    </message>
    <message numerus="yes">
        <source>%n light level(s) of 256 colours</source>
        <translation>
            <numerusform>%n Helligkeitsstufe zu 256 Farben</numerusform>
            <numerusform>%n Helligkeitsstufen zu 256 Farben</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 image</source>
        <translation>%1-Bild</translation>
    </message>
    <message>
        <source>too large to preview</source>
        <translation>zu groß für die Vorschau</translation>
    </message>
    <message>
        <source>the image cannot be read</source>
        <translation>das Bild kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Text (%1)</source>
        <translation>Text (%1)</translation>
    </message>
    <message>
        <source>The first %1 bytes</source>
        <translation>Die ersten %1 Bytes</translation>
    </message>
    <message>
        <source>Wave sound</source>
        <translation>Wave-Klang</translation>
    </message>
    <message>
        <source>Length: %1 s</source>
        <translation>Länge: %1 s</translation>
    </message>
    <message>
        <source>Rate: %1 Hz</source>
        <translation>Abtastrate: %1 Hz</translation>
    </message>
    <message>
        <source>Channels: 1 (mono)</source>
        <translation>Kanäle: 1 (mono)</translation>
    </message>
    <message>
        <source>Channels: %1</source>
        <translation>Kanäle: %1</translation>
    </message>
    <message>
        <source>Bits per sample: %1</source>
        <translation>Bits pro Abtastwert: %1</translation>
    </message>
    <message>
        <source>Loops from sample %1</source>
        <translation>Schleife ab Abtastwert %1</translation>
    </message>
    <message>
        <source>Does not loop</source>
        <translation>Keine Schleife</translation>
    </message>
    <message>
        <source>Loop length: %1 samples</source>
        <translation>Schleifenlänge: %1 Abtastwerte</translation>
    </message>
    <message>
        <source>The game cannot play it: %1</source>
        <translation>Das Spiel kann ihn nicht abspielen: %1</translation>
    </message>
    <message>
        <source>Ogg Vorbis sound</source>
        <translation>Ogg-Vorbis-Klang</translation>
    </message>
    <message>
        <source>Qt Multimedia cannot play it here</source>
        <translation>Qt Multimedia kann ihn hier nicht abspielen</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Karte</translation>
    </message>
    <message>
        <source>Version: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>Textures: %1</source>
        <translation>Texturen: %1</translation>
    </message>
    <message>
        <source>Models: %1</source>
        <translation>Modelle: %1</translation>
    </message>
    <message>
        <source>Faces: %1</source>
        <translation>Flächen: %1</translation>
    </message>
    <message>
        <source>Vertices: %1</source>
        <translation>Eckpunkte: %1</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Frames: %1</source>
        <translation>Einzelbilder: %1</translation>
    </message>
    <message>
        <source>Skins: %1 of %2</source>
        <translation>Skins: %1 mit %2</translation>
    </message>
    <message>
        <source>Triangles: %1</source>
        <translation>Dreiecke: %1</translation>
    </message>
    <message>
        <source>Sprite</source>
        <translation>Sprite</translation>
    </message>
    <message>
        <source>Largest frame: %1</source>
        <translation>Größtes Einzelbild: %1</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Select one entry to see it here.</source>
        <translation>Einen Eintrag auswählen, um ihn hier zu sehen.</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Mip texture</source>
        <translation>Mip-Textur</translation>
    </message>
    <message>
        <source>Console font</source>
        <translation>Konsolenschrift</translation>
    </message>
    <message>
        <source>Its pictures are not shown: it is larger than %1 MiB</source>
        <translation>Die Bilder werden nicht gezeigt: größer als %1 MiB</translation>
    </message>
    <message numerus="yes">
        <source>And %n more problem(s)</source>
        <translation>
            <numerusform>Und %n weiteres Problem</numerusform>
            <numerusform>Und %n weitere Probleme</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>Klang</translation>
    </message>
    <message>
        <source>Type 0x%1</source>
        <translation>Typ 0x%1</translation>
    </message>
    <message>
        <source>it is compressed</source>
        <translation>der Eintrag ist komprimiert</translation>
    </message>
    <message>
        <source>it is no picture</source>
        <translation>der Eintrag ist kein Bild</translation>
    </message>
    <message>
        <source>Texture %1: %2, %3</source>
        <translation>Textur %1: %2, %3</translation>
    </message>
    <message>
        <source>The first skin is shown</source>
        <translation>Der erste Skin wird gezeigt</translation>
    </message>
    <message>
        <source>WAD file</source>
        <translation>WAD-Datei</translation>
    </message>
    <message>
        <source>it is no WAD2 file</source>
        <translation>keine WAD2-Datei</translation>
    </message>
    <message numerus="yes">
        <source>%n lump(s)</source>
        <translation>
            <numerusform>%n Lump</numerusform>
            <numerusform>%n Lumps</numerusform>
        </translation>
    </message>
    <message>
        <source>The first %1 are shown</source>
        <translation>Die ersten %1 werden gezeigt</translation>
    </message>
    <message>
        <source>Name: %1</source>
        <translation>Name: %1</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Too large to play here (more than %1 MiB)</source>
        <translation>Zu groß, um es hier abzuspielen (mehr als %1 MiB)</translation>
    </message>
</context>
<context>
    <name>TSetDirectoryDialog</name>
    <message>
        <source>If you make any changes to the ID1 PAK files, Quake may not function correctly. Please be careful what edits you make to it.</source>
        <translation>Wenn Sie die ID1-PAK-Dateien ändern, läuft Quake womöglich nicht mehr richtig. Bitte überlegen Sie genau, was Sie daran ändern.</translation>
    </message>
    <message>
        <source>Unlimited</source>
        <translation>Unbegrenzt</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source> Quake Directory </source>
        <translation> Quake-Ordner </translation>
    </message>
    <message>
        <source> Temporary File Directory </source>
        <translation> Ordner für temporäre Dateien </translation>
    </message>
    <message>
        <source> Spaces In File Names </source>
        <translation> Leerzeichen in Dateinamen </translation>
    </message>
    <message>
        <source>Leave</source>
        <translation>Belassen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Replace With Underscores</source>
        <translation>Durch Unterstriche ersetzen</translation>
    </message>
    <message>
        <source>Protect ID1 Pak Files</source>
        <translation>ID1-PAK-Dateien schützen</translation>
    </message>
    <message>
        <source>Force File Names To Lowercase</source>
        <translation>Dateinamen in Kleinbuchstaben umwandeln</translation>
    </message>
    <message>
        <source>Allow Undo</source>
        <translation>Rückgängig erlauben</translation>
    </message>
    <message>
        <source>Maximum Undo Levels :</source>
        <translation>Höchstzahl der Rückgängig-Schritte:</translation>
    </message>
    <message>
        <source>Select Quake Directory</source>
        <translation>Quake-Ordner auswählen</translation>
    </message>
    <message>
        <source>Select Temporary File Directory</source>
        <translation>Ordner für temporäre Dateien auswählen</translation>
    </message>
</context>
<context>
    <name>TStatusPanels</name>
    <message>
        <source>You need to set the Quake directory. See View|Options</source>
        <translation>Der Quake-Ordner muss noch festgelegt werden, siehe Ansicht|Einstellungen</translation>
    </message>
    <message>
        <source>9999  Files.</source>
        <translation>9999  Dateien.</translation>
    </message>
    <message>
        <source>99999 Files selected.</source>
        <translation>99999 Dateien ausgewählt.</translation>
    </message>
    <message>
        <source> Protected  </source>
        <translation> Geschützt  </translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>TypedFolder</name>
    <message>
        <source>Please type the folder&apos;s full path, starting with / or ~/.</source>
        <translation>Bitte geben Sie den vollständigen Pfad des Ordners ein, beginnend mit / oder ~/.</translation>
    </message>
</context>
</TS>
