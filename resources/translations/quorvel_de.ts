<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>CommandDispatch</name>
    <message>
        <source>Add File</source>
        <translation>Datei hinzufügen</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Converter</source>
        <translation>Konvertieren</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Content</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über Quorvel</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Enthaltenden Ordner öffnen</translation>
    </message>
    <message>
        <source>Please stop converting first!</source>
        <translation>Bitte zuerst die Konvertierung anhalten!</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
</context>
<context>
    <name>FileListCommands</name>
    <message>
        <source>Please stop converting first!</source>
        <translation>Bitte zuerst die Konvertierung anhalten!</translation>
    </message>
    <message>
        <source>Please wait until the files are added!</source>
        <translation>Bitte warten, bis die Dateien hinzugefügt sind!</translation>
    </message>
    <message>
        <source>Add File Directory</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>… and %1 more files that are not supported.</source>
        <translation>… und %1 weitere Dateien, die nicht unterstützt werden.</translation>
    </message>
    <message>
        <source>Cannot open the folder %1.</source>
        <translation>Der Ordner %1 kann nicht geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>FolderTree</name>
    <message>
        <source>Home</source>
        <translation>Persönlicher Ordner</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>New Folder (%1)</source>
        <translation>Neuer Ordner (%1)</translation>
    </message>
    <message>
        <source>Cannot make the folder %1.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be a folder name.</source>
        <translation>„%1“ kann kein Ordnername sein.</translation>
    </message>
    <message>
        <source>Cannot rename %1: %2 already exists.</source>
        <translation>%1 kann nicht umbenannt werden: %2 gibt es schon.</translation>
    </message>
    <message>
        <source>Cannot rename %1 to %2.</source>
        <translation>%1 kann nicht in %2 umbenannt werden.</translation>
    </message>
    <message>
        <source>Make a new folder inside this one</source>
        <translation>Einen neuen Ordner in diesem anlegen</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Rename this folder</source>
        <translation>Diesen Ordner umbenennen</translation>
    </message>
    <message>
        <source>Select the folder to make the new folder in.</source>
        <translation>Wählen Sie den Ordner, in dem der neue Ordner angelegt werden soll.</translation>
    </message>
    <message>
        <source>Cannot make the folder %1: it already exists.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden: Es gibt ihn schon.</translation>
    </message>
</context>
<context>
    <name>GeneralPage</name>
    <message>
        <source>Normalize Settings</source>
        <translation>Normalisierung</translation>
    </message>
    <message>
        <source>Enabled Normalize </source>
        <translation>Normalisieren auf </translation>
    </message>
    <message>
        <source>Fade Settings</source>
        <translation>Ein- und Ausblenden</translation>
    </message>
    <message>
        <source>%1s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Enable Fade In Time Length</source>
        <translation>Einblenden über die Dauer</translation>
    </message>
    <message>
        <source>Enable Fade Out Time Length</source>
        <translation>Ausblenden über die Dauer</translation>
    </message>
    <message>
        <source>Files at once</source>
        <translation>Dateien gleichzeitig</translation>
    </message>
    <message>
        <source>Automatic (one per core)</source>
        <translation>Automatisch (eine je Kern)</translation>
    </message>
    <message>
        <source>How many files a conversion or normalisation works on at the same time</source>
        <translation>Wie viele Dateien eine Konvertierung oder Normalisierung gleichzeitig bearbeitet</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Save next to each input file</source>
        <translation>Neben jeder Eingabedatei speichern</translation>
    </message>
    <message>
        <source>Each output goes into its input&apos;s folder instead of the output folder; no input is ever replaced</source>
        <translation>Jede Ausgabe kommt in den Ordner ihrer Eingabe statt in den Ausgabeordner; keine Eingabe wird je ersetzt</translation>
    </message>
</context>
<context>
    <name>InputFormats</name>
    <message>
        <source>MPEG files</source>
        <translation>MPEG-Dateien</translation>
    </message>
    <message>
        <source>WAV files</source>
        <translation>WAV-Dateien</translation>
    </message>
    <message>
        <source>FLAC files</source>
        <translation>FLAC-Dateien</translation>
    </message>
    <message>
        <source>Ogg files</source>
        <translation>Ogg-Dateien</translation>
    </message>
    <message>
        <source>MPEG-4 audio</source>
        <translation>MPEG-4-Audio</translation>
    </message>
    <message>
        <source>AIFF files</source>
        <translation>AIFF-Dateien</translation>
    </message>
    <message>
        <source>WavPack files</source>
        <translation>WavPack-Dateien</translation>
    </message>
    <message>
        <source>Windows Media Audio</source>
        <translation>Windows Media Audio</translation>
    </message>
    <message>
        <source>Monkey&apos;s Audio</source>
        <translation>Monkey&apos;s Audio</translation>
    </message>
    <message>
        <source>Matroska and WebM audio</source>
        <translation>Matroska- und WebM-Audio</translation>
    </message>
    <message>
        <source>Other audio files</source>
        <translation>Andere Audiodateien</translation>
    </message>
    <message>
        <source>All Supported Files (%1)</source>
        <translation>Alle unterstützten Dateien (%1)</translation>
    </message>
</context>
<context>
    <name>LoudnessOptions</name>
    <message>
        <source>Loudness</source>
        <translation>Lautheit</translation>
    </message>
    <message>
        <source>Normalise to</source>
        <translation>Angleichen an</translation>
    </message>
    <message>
        <source>Peak</source>
        <translation>Spitzenpegel</translation>
    </message>
    <message>
        <source>Peak: every copy peaks at the level above. Loudness: every copy sounds equally loud (EBU R128)</source>
        <translation>Spitzenpegel: Jede Kopie erreicht mit ihrer Spitze den Pegel oben. Lautheit: Jede Kopie klingt gleich laut (EBU R128)</translation>
    </message>
    <message>
        <source>Loudness target: -14 LUFS streaming, -16 podcasts and mobiles, -18 ReplayGain, -23 broadcast</source>
        <translation>Ziel-Lautheit: -14 LUFS Streaming, -16 Podcasts und Mobilgeräte, -18 ReplayGain, -23 Rundfunk</translation>
    </message>
    <message>
        <source>peak </source>
        <translation>max. </translation>
    </message>
    <message>
        <source> dBTP</source>
        <translation> dBTP</translation>
    </message>
    <message>
        <source>The highest true peak a copy may have: a copy is made quieter than its target rather than let its peaks come near clipping</source>
        <translation>Der höchste True Peak, den eine Kopie haben darf: Eine Kopie wird lieber leiser als ihr Ziel, als dass ihre Spitzen nahe an die Übersteuerung kommen</translation>
    </message>
    <message>
        <source>As one album</source>
        <translation>Als ein Album</translation>
    </message>
    <message>
        <source>One gain for all files of the batch, so their loudness differences stay</source>
        <translation>Eine Verstärkung für alle Dateien des Durchlaufs, damit ihre Lautheitsunterschiede bleiben</translation>
    </message>
    <message>
        <source>Write ReplayGain tags instead</source>
        <translation>ReplayGain-Tags schreiben, statt</translation>
    </message>
    <message>
        <source>of changing the audio (Convert)</source>
        <translation>das Audio zu ändern (Konvertieren)</translation>
    </message>
    <message>
        <source>Convert writes each file&apos;s ReplayGain values (and the album&apos;s, with As one album) into its tags and leaves the audio as it is; players apply them</source>
        <translation>Konvertieren schreibt die ReplayGain-Werte jeder Datei (und mit „Als ein Album“ die des Albums) in ihre Tags und lässt das Audio, wie es ist; Player wenden sie an</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
</context>
<context>
    <name>OutputNamesOptions</name>
    <message>
        <source>Output Names</source>
        <translation>Ausgabenamen</translation>
    </message>
    <message>
        <source>Name pattern (empty: title or file name):</source>
        <translation>Namensmuster (leer: Titel oder Dateiname):</translation>
    </message>
    <message>
        <source>Fields: {title} {artist} {album} {albumartist} {track} {disc} {year} {genre} {filename}; &quot;/&quot; makes a sub-folder. Missing fields read &quot;Unknown Artist&quot; and so on.</source>
        <translation>Felder: {title} {artist} {album} {albumartist} {track} {disc} {year} {genre} {filename}; „/“ legt einen Unterordner an. Fehlende Felder lauten „Unknown Artist“ und so weiter.</translation>
    </message>
    <message>
        <source>How the selected file (else the first) would be named with this pattern</source>
        <translation>So hieße die gewählte Datei (sonst die erste) mit diesem Muster</translation>
    </message>
    <message>
        <source>When the output exists:</source>
        <translation>Wenn die Ausgabedatei existiert:</translation>
    </message>
    <message>
        <source>Number the new one (song_1)</source>
        <translation>Die neue nummerieren (song_1)</translation>
    </message>
    <message>
        <source>Skip the file</source>
        <translation>Die Datei überspringen</translation>
    </message>
    <message>
        <source>Replace it when older than the input</source>
        <translation>Ersetzen, falls älter als Eingabe</translation>
    </message>
    <message>
        <source>Skip or replace-when-older let a second run convert only what is new; nothing else is ever replaced</source>
        <translation>Mit Überspringen oder Ersetzen-wenn-älter konvertiert ein zweiter Durchlauf nur, was neu ist; sonst wird nie etwas ersetzt</translation>
    </message>
    <message>
        <source>Keep the folder structure</source>
        <translation>Ordnerstruktur beibehalten</translation>
    </message>
    <message>
        <source>Files added with Add Folder go into the same sub-folders of the output folder</source>
        <translation>Mit „Ordner hinzufügen“ hinzugefügte Dateien kommen in dieselben Unterordner des Ausgabeordners</translation>
    </message>
    <message>
        <source>Example: %1</source>
        <translation>Beispiel: %1</translation>
    </message>
    <message>
        <source>%1 files would be named %2</source>
        <translation>%1 Dateien würden %2 heißen</translation>
    </message>
    <message>
        <source>Files given one name are numbered (song_1, song_2 ...): a pattern with more fields tells them apart</source>
        <translation>Dateien mit demselben Namen werden nummeriert (song_1, song_2 ...): Ein Muster mit mehr Feldern unterscheidet sie</translation>
    </message>
</context>
<context>
    <name>PreviewPlayback</name>
    <message>
        <source>Please add file!</source>
        <translation>Bitte eine Datei hinzufügen!</translation>
    </message>
    <message>
        <source>No audio device was found: the preview plays silently.</source>
        <translation>Kein Audiogerät gefunden: Die Vorschau spielt stumm.</translation>
    </message>
    <message>
        <source>Cannot preview %1: %2</source>
        <translation>Vorschau von %1 nicht möglich: %2</translation>
    </message>
</context>
<context>
    <name>ProgressDisplay</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>noch etwa %1</translation>
    </message>
</context>
<context>
    <name>RowModel</name>
    <message>
        <source>File Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frequenz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>RowState</name>
    <message>
        <source>Unconvert</source>
        <translation>Offen</translation>
    </message>
    <message>
        <source>Measuring</source>
        <translation>Messung</translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Konvertierung</translation>
    </message>
    <message>
        <source>finish</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
</context>
<context>
    <name>SettingsPages</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Set General</source>
        <translation>Allgemeine Einstellungen</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>Set Output Names</source>
        <translation>Ausgabenamen festlegen</translation>
    </message>
</context>
<context>
    <name>Skin</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Batch audio converter</source>
        <translation>Audio-Stapelkonverter</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Save to</source>
        <translation>Speichern in</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzu</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Normalize</source>
        <translation>Normieren</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Hören</translation>
    </message>
    <message>
        <source>Add files (Ctrl+O) or a folder (Ctrl+Shift+O)</source>
        <translation>Dateien (Strg+O) oder einen Ordner (Strg+Umschalt+O) hinzufügen</translation>
    </message>
    <message>
        <source>Convert, play or stop</source>
        <translation>Konvertieren, abspielen oder anhalten</translation>
    </message>
    <message>
        <source>Open the settings</source>
        <translation>Die Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Help pages and the about box</source>
        <translation>Hilfeseiten und Informationen über Quorvel</translation>
    </message>
    <message>
        <source>Open the help pages (F1)</source>
        <translation>Die Hilfeseiten öffnen (F1)</translation>
    </message>
    <message>
        <source>Choose the output folder</source>
        <translation>Den Ausgabeordner wählen</translation>
    </message>
    <message>
        <source>Open the output folder</source>
        <translation>Den Ausgabeordner öffnen</translation>
    </message>
    <message>
        <source>Remove the selected files from the list (Delete)</source>
        <translation>Die gewählten Dateien aus der Liste entfernen (Entf)</translation>
    </message>
    <message>
        <source>Empty the list</source>
        <translation>Die Liste leeren</translation>
    </message>
    <message>
        <source>Edit the tags of the listed files</source>
        <translation>Die Tags der aufgeführten Dateien bearbeiten</translation>
    </message>
    <message>
        <source>Convert every file in the list (Ctrl+Return)</source>
        <translation>Jede Datei der Liste konvertieren (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Write normalised &quot;Nor_&quot; copies of every listed file</source>
        <translation>Normalisierte „Nor_“-Kopien jeder aufgeführten Datei schreiben</translation>
    </message>
    <message>
        <source>Stop the running conversion or normalisation (Esc)</source>
        <translation>Die laufende Konvertierung oder Normalisierung anhalten (Esc)</translation>
    </message>
    <message>
        <source>Listen to the selected file (Space, or double-click it)</source>
        <translation>Die gewählte Datei anhören (Leertaste oder Doppelklick)</translation>
    </message>
    <message>
        <source>Stop the preview playback</source>
        <translation>Die Vorschau anhalten</translation>
    </message>
    <message>
        <source>Pause the running batch, or resume it (Ctrl+P)</source>
        <translation>Die laufende Arbeit pausieren oder fortsetzen (Strg+P)</translation>
    </message>
</context>
<context>
    <name>Tfm_about</name>
    <message>
        <source>About Quorvel</source>
        <translation>Über Quorvel</translation>
    </message>
    <message>
        <source>Version: </source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>Directly Convert between MP3 and WAV.</source>
        <translation>Direkt zwischen MP3 und WAV konvertieren.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this box</source>
        <translation>Dieses Fenster schließen</translation>
    </message>
</context>
<context>
    <name>Tfm_dir</name>
    <message>
        <source>Output Directory</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Use the selected folder</source>
        <translation>Den gewählten Ordner verwenden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close without choosing a folder</source>
        <translation>Schließen, ohne einen Ordner zu wählen</translation>
    </message>
    <message>
        <source>Include sub-folders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Also add the audio files of every folder inside the chosen one</source>
        <translation>Auch die Audiodateien aller Ordner im gewählten hinzufügen</translation>
    </message>
    <message>
        <source>Type or paste a folder</source>
        <translation>Ordner eingeben oder einfügen</translation>
    </message>
    <message>
        <source>The chosen folder; a folder typed here that does not exist yet can be made</source>
        <translation>Der gewählte Ordner; ein hier eingegebener Ordner, den es noch nicht gibt, kann angelegt werden</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <source>Make a new folder inside the selected one</source>
        <translation>Einen neuen Ordner im gewählten anlegen</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>The folder %1 does not exist. Make it?</source>
        <translation>Den Ordner %1 gibt es nicht. Anlegen?</translation>
    </message>
    <message>
        <source>Cannot make the folder %1: %2.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Cannot make the folder %1: %2 is not a folder.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden: %2 ist kein Ordner.</translation>
    </message>
    <message>
        <source>Select the folder to make the new folder in.</source>
        <translation>Wählen Sie den Ordner, in dem der neue Ordner angelegt werden soll.</translation>
    </message>
    <message>
        <source>Name of the new folder in %1:</source>
        <translation>Name des neuen Ordners in %1:</translation>
    </message>
</context>
<context>
    <name>Tfm_id3</name>
    <message>
        <source>ID3 Edit</source>
        <translation>ID3 bearbeiten</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>Artist: </source>
        <translation>Interpret: </translation>
    </message>
    <message>
        <source>Album: </source>
        <translation>Album: </translation>
    </message>
    <message>
        <source>Year: </source>
        <translation>Jahr: </translation>
    </message>
    <message>
        <source>Genre:</source>
        <translation>Genre:</translation>
    </message>
    <message>
        <source>Comment: </source>
        <translation>Kommentar: </translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Use this value for every file in the list</source>
        <translation>Diesen Wert für jede Datei der Liste verwenden</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Start again from the saved tags</source>
        <translation>Wieder bei den gespeicherten Tags beginnen</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Keep the changes</source>
        <translation>Die Änderungen übernehmen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Drop the changes</source>
        <translation>Die Änderungen verwerfen</translation>
    </message>
</context>
<context>
    <name>Tfm_main</name>
    <message>
        <source>The format of the files a conversion writes</source>
        <translation>Das Format der Dateien, die eine Konvertierung schreibt</translation>
    </message>
    <message>
        <source>Converting audio files</source>
        <translation>Audiodateien werden konvertiert</translation>
    </message>
    <message>
        <source>Normalising audio files</source>
        <translation>Audiodateien werden normalisiert</translation>
    </message>
    <message>
        <source>The folder %1 no longer exists.</source>
        <translation>Den Ordner %1 gibt es nicht mehr.</translation>
    </message>
    <message>
        <source>Cannot open the folder %1: no file manager answered.</source>
        <translation>Der Ordner %1 kann nicht geöffnet werden: Kein Dateimanager hat geantwortet.</translation>
    </message>
    <message>
        <source>Please stop converting first!</source>
        <translation>Bitte zuerst die Konvertierung anhalten!</translation>
    </message>
    <message>
        <source>Output Directory</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>The output folder %1 does not exist yet. It is created when a conversion starts.</source>
        <translation>Den Ausgabeordner %1 gibt es noch nicht. Er wird angelegt, wenn eine Konvertierung beginnt.</translation>
    </message>
    <message>
        <source>Cannot open the output folder %1: no file manager answered.</source>
        <translation>Der Ausgabeordner %1 kann nicht geöffnet werden: Kein Dateimanager hat geantwortet.</translation>
    </message>
    <message>
        <source>Cannot find the help page %1.</source>
        <translation>Die Hilfeseite %1 wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Cannot open the help page %1: no web browser answered.</source>
        <translation>Die Hilfeseite %1 kann nicht geöffnet werden: Kein Webbrowser hat geantwortet.</translation>
    </message>
</context>
<context>
    <name>WindowBatchHost</name>
    <message>
        <source>%1 normalised, %2 failed, %3 stopped</source>
        <translation>%1 normalisiert, %2 fehlgeschlagen, %3 gestoppt</translation>
    </message>
    <message>
        <source>%1 converted, %2 failed, %3 stopped</source>
        <translation>%1 konvertiert, %2 fehlgeschlagen, %3 gestoppt</translation>
    </message>
    <message>
        <source>, %1 removed</source>
        <translation>, %1 entfernt</translation>
    </message>
    <message>
        <source>, %1 skipped (output exists)</source>
        <translation>, %1 übersprungen (Ausgabe vorhanden)</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
</context>
</TS>
