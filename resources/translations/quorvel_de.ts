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
    <name>Formats</name>
    <message>
        <source>Uncompressed sound, as Apple&apos;s</source>
        <translation>Unkomprimiertes Audio, wie es</translation>
    </message>
    <message>
        <source>programs write it.</source>
        <translation>Apples Programme schreiben.</translation>
    </message>
    <message>
        <source>32 bit float is written as AIFF-C.</source>
        <translation>32 Bit Float wird zu AIFF-C.</translation>
    </message>
    <message>
        <source>Apple Lossless sound in an M4A file.</source>
        <translation>Apple Lossless in einer M4A-Datei.</translation>
    </message>
    <message>
        <source>The sound is the source&apos;s, exactly.</source>
        <translation>Der Klang bleibt exakt erhalten.</translation>
    </message>
    <message>
        <source>Compression level:</source>
        <translation>Kompression:</translation>
    </message>
    <message>
        <source>0 is the fastest, 8 makes the smallest files; the sound is the same at every level</source>
        <translation>0 ist am schnellsten, 8 macht die kleinsten Dateien; der Klang ist auf jeder Stufe gleich</translation>
    </message>
    <message>
        <source>Level 0 - fastest, biggest file.</source>
        <translation>Stufe 0 - schnell, große Datei.</translation>
    </message>
    <message>
        <source>Level 8 - slowest, smallest file.</source>
        <translation>Stufe 8 - langsam, kleine Datei.</translation>
    </message>
    <message>
        <source>The sound is the same at every level.</source>
        <translation>Der Klang ist auf jeder Stufe gleich.</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>Bitrate:</translation>
    </message>
    <message>
        <source> Kbps</source>
        <translation> Kbps</translation>
    </message>
    <message>
        <source>The bit rate of the AAC sound, from 32 to 320 Kbps</source>
        <translation>Die Bitrate des AAC-Audios, von 32 bis 320 Kbps</translation>
    </message>
    <message>
        <source>AAC sound in an MP4 file.</source>
        <translation>AAC-Audio in einer MP4-Datei.</translation>
    </message>
    <message>
        <source>64 to 96 Kbps - speech, small file.</source>
        <translation>64–96 Kbps - Sprache, kleine Datei.</translation>
    </message>
    <message>
        <source>128 Kbps or more - music.</source>
        <translation>Ab 128 Kbps - Musik.</translation>
    </message>
    <message>
        <source>256 Kbps or more - near the original.</source>
        <translation>Ab 256 Kbps - nahe am Original.</translation>
    </message>
    <message>
        <source>The bit rate the encoder aims at, from 6 to 510 Kbps</source>
        <translation>Die Bitrate, die der Encoder anstrebt, von 6 bis 510 Kbps</translation>
    </message>
    <message>
        <source>Variable bitrate (VBR)</source>
        <translation>Variable Bitrate (VBR)</translation>
    </message>
    <message>
        <source>Let the bit rate follow the music: better sound at the same size</source>
        <translation>Die Bitrate folgt der Musik: besserer Klang bei gleicher Größe</translation>
    </message>
    <message>
        <source>32 to 64 Kbps - speech, small file.</source>
        <translation>32–64 Kbps - Sprache, kleine Datei.</translation>
    </message>
    <message>
        <source>96 to 128 Kbps - music.</source>
        <translation>96–128 Kbps - Musik.</translation>
    </message>
    <message>
        <source>160 Kbps or more - near the original.</source>
        <translation>Ab 160 Kbps - nahe am Original.</translation>
    </message>
    <message>
        <source>As the source</source>
        <translation>Wie die Quelle</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>24 bit</source>
        <translation>24 Bit</translation>
    </message>
    <message>
        <source>32 bit float</source>
        <translation>32 Bit Float</translation>
    </message>
    <message>
        <source>Sample rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>The sample rate of the output; as the source keeps the input&apos;s own</source>
        <translation>Die Abtastrate der Ausgabe; „Wie die Quelle“ behält die der Eingabe</translation>
    </message>
    <message>
        <source>Bit depth:</source>
        <translation>Bittiefe:</translation>
    </message>
    <message>
        <source>The bits per sample of the output; as the source keeps the input&apos;s own</source>
        <translation>Die Bits pro Sample der Ausgabe; „Wie die Quelle“ behält die der Eingabe</translation>
    </message>
    <message>
        <source>Dither when reducing the bit depth</source>
        <translation>Dither bei geringerer Bittiefe</translation>
    </message>
    <message>
        <source>Adds a faint noise when fewer bits are written than the input has, so quiet sounds fade out smoothly instead of turning into distortion</source>
        <translation>Fügt ein leises Rauschen hinzu, wenn weniger Bits geschrieben werden, als die Eingabe hat, damit leise Stellen sanft ausklingen, statt zu verzerren</translation>
    </message>
    <message>
        <source>Lossless, smaller than WAV or AIFF.</source>
        <translation>Verlustfrei, kleiner als WAV/AIFF.</translation>
    </message>
    <message>
        <source>The sound&apos;s MD5 sum is stored,</source>
        <translation>Mit der MD5-Summe des Audios:</translation>
    </message>
    <message>
        <source>so a player can check the file.</source>
        <translation>Player können die Datei prüfen.</translation>
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
    <message>
        <source>Split a long file across them</source>
        <translation>Lange Dateien aufteilen</translation>
    </message>
    <message>
        <source>When fewer files are left than files at once, a file over two minutes is converted in parts at the same time and joined: the output is the same</source>
        <translation>Wenn weniger Dateien übrig sind als gleichzeitig bearbeitet werden, wird eine Datei über zwei Minuten in Teilen gleichzeitig umgewandelt und zusammengefügt: das Ergebnis ist dasselbe</translation>
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
    <message>
        <source>Cue sheets (%1)</source>
        <translation>Cue-Sheets (%1)</translation>
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
    <name>Mp3ExpertPage</name>
    <message>
        <source>include CRC -Checksums</source>
        <translation>CRC-Prüfsummen einfügen</translation>
    </message>
    <message>
        <source>comply as much as possible to ISO MPEG spec</source>
        <translation>ISO-MPEG-Norm möglichst genau einhalten</translation>
    </message>
    <message>
        <source>allow block types to differ between channels</source>
        <translation>Je Kanal verschiedene Blocktypen erlauben</translation>
    </message>
    <message>
        <source>short blocks</source>
        <translation>Kurze Blöcke</translation>
    </message>
    <message>
        <source>bit reservoir</source>
        <translation>Bit-Reservoir</translation>
    </message>
    <message>
        <source>ATH Control:</source>
        <translation>ATH-Modus:</translation>
    </message>
    <message>
        <source>default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>only</source>
        <translation>Nur ATH</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>only for short blocks</source>
        <translation>Nur kurze Blöcke</translation>
    </message>
    <message>
        <source>De-emphasis :</source>
        <translation>De-Emphasis:</translation>
    </message>
    <message>
        <source>0/15 microseconds</source>
        <translation>0/15 µs</translation>
    </message>
    <message>
        <source>citt j.17</source>
        <translation>CCITT J.17</translation>
    </message>
</context>
<context>
    <name>Mp3FilterPage</name>
    <message>
        <source>HighPass Filter</source>
        <translation>Hochpassfilter</translation>
    </message>
    <message>
        <source>Highpass filtering frequency (in Hz):</source>
        <translation>Hochpass-Grenzfrequenz (in Hz):</translation>
    </message>
    <message>
        <source>Width of Highpass filter (in Hz):</source>
        <translation>Breite des Hochpassfilters (in Hz):</translation>
    </message>
    <message>
        <source>LowPass Filter</source>
        <translation>Tiefpassfilter</translation>
    </message>
    <message>
        <source>Lowpass filtering frequency (in Hz):</source>
        <translation>Tiefpass-Grenzfrequenz (in Hz):</translation>
    </message>
    <message>
        <source>Width of Lowpass filter (in Hz):</source>
        <translation>Breite des Tiefpassfilters (in Hz):</translation>
    </message>
</context>
<context>
    <name>Mp3GeneralPage</name>
    <message>
        <source>Frequency: </source>
        <translation>Frequenz: </translation>
    </message>
    <message>
        <source>Channel: </source>
        <translation>Kanäle: </translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Joint Stereo</source>
        <translation>Joint Stereo</translation>
    </message>
    <message>
        <source>Forced Joint Stereo</source>
        <translation>Immer Joint Stereo</translation>
    </message>
    <message>
        <source>Dual Channels</source>
        <translation>Zweikanal</translation>
    </message>
    <message>
        <source>Bitrate: </source>
        <translation>Bitrate: </translation>
    </message>
    <message>
        <source>Quality: </source>
        <translation>Qualität: </translation>
    </message>
    <message>
        <source>8000Hz or 8Kbps - poor quality, small file.</source>
        <translation>8000Hz/8Kbps - mäßig, kleine Datei.</translation>
    </message>
    <message>
        <source>48000Hz or 320Kbps - good quality, big file.</source>
        <translation>48000Hz/320Kbps - gut, große Datei.</translation>
    </message>
    <message>
        <source>Quality: 0 - best quality, low convert speed.</source>
        <translation>Qualität 0 - beste Qualität, langsam.</translation>
    </message>
    <message>
        <source>Quality: 9 - low quality, fast convert speed. </source>
        <translation>Qualität 9 - geringe Qualität, schnell. </translation>
    </message>
</context>
<context>
    <name>Mp3PresetsPage</name>
    <message>
        <source>Phone</source>
        <translation>Telefon</translation>
    </message>
    <message>
        <source>SW</source>
        <translation>KW</translation>
    </message>
    <message>
        <source>AM</source>
        <translation>AM</translation>
    </message>
    <message>
        <source>FM</source>
        <translation>UKW</translation>
    </message>
    <message>
        <source>Voice</source>
        <translation>Stimme</translation>
    </message>
    <message>
        <source>Radio</source>
        <translation>Radio</translation>
    </message>
    <message>
        <source>Tape</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>HiFi</source>
        <translation>HiFi</translation>
    </message>
    <message>
        <source>CD</source>
        <translation>CD</translation>
    </message>
    <message>
        <source>Studio</source>
        <translation>Studio</translation>
    </message>
    <message>
        <source>R3Mix</source>
        <translation>R3Mix</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Vorgabe</translation>
    </message>
    <message>
        <source>Alt-Preset</source>
        <translation>Alt-Vorgabe</translation>
    </message>
</context>
<context>
    <name>Mp3VbrPage</name>
    <message>
        <source>Coding Method:</source>
        <translation>Verfahren:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keins</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>MTRH</source>
        <translation>MTRH</translation>
    </message>
    <message>
        <source>VBR Bitrate/Quality: </source>
        <translation>VBR-Bitrate/-Qualität: </translation>
    </message>
    <message>
        <source>VBR Bitrate: </source>
        <translation>VBR-Bitrate: </translation>
    </message>
    <message>
        <source>VBR Quality: </source>
        <translation>VBR-Qualität: </translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Write VBR Header</source>
        <translation>VBR-Header schreiben</translation>
    </message>
    <message>
        <source>Strictly enforce minimum bitrate</source>
        <translation>Mindestbitrate streng einhalten</translation>
    </message>
</context>
<context>
    <name>OggPage</name>
    <message>
        <source>Average bit rate</source>
        <translation>Mittlere Bitrate</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Bit rate within limits</source>
        <translation>Bitrate begrenzt</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <source>Average bit rate aims at the bit rate over the whole file; Quality lets the bit rate follow the music</source>
        <translation>Mittlere Bitrate hält die Bitrate über die ganze Datei; Qualität lässt die Bitrate der Musik folgen</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>Bitrate:</translation>
    </message>
    <message>
        <source>The bit rate the encoder aims at</source>
        <translation>Die Bitrate, die der Encoder anstrebt</translation>
    </message>
    <message>
        <source>No limit</source>
        <translation>Keine Grenze</translation>
    </message>
    <message>
        <source>Min bitrate:</source>
        <translation>Min. Bitrate:</translation>
    </message>
    <message>
        <source>The bit rate never falls below this</source>
        <translation>Die Bitrate fällt nie unter diesen Wert</translation>
    </message>
    <message>
        <source>Max bitrate:</source>
        <translation>Max. Bitrate:</translation>
    </message>
    <message>
        <source>The bit rate never rises above this</source>
        <translation>Die Bitrate steigt nie über diesen Wert</translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation>Qualität:</translation>
    </message>
    <message>
        <source>-1 makes the smallest files, 10 the best sound; 5 suits music</source>
        <translation>-1 macht die kleinsten Dateien, 10 den besten Klang; 5 passt für Musik</translation>
    </message>
    <message>
        <source>Frequency:</source>
        <translation>Frequenz:</translation>
    </message>
    <message>
        <source>The sample rate of the output</source>
        <translation>Die Abtastrate der Ausgabe</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Channel:</source>
        <translation>Kanäle:</translation>
    </message>
    <message>
        <source>The channels of the output</source>
        <translation>Die Kanäle der Ausgabe</translation>
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
    <message>
        <source>%1 is not a field</source>
        <translation>%1 ist kein Feld</translation>
    </message>
    <message>
        <source>%1 are not fields</source>
        <translation>%1 sind keine Felder</translation>
    </message>
    <message>
        <source>The fields are {title} {artist} {album} {albumartist} {track} {disc} {year} {genre} {filename}</source>
        <translation>Die Felder sind {title} {artist} {album} {albumartist} {track} {disc} {year} {genre} {filename}</translation>
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
    <message>
        <source>Comment:  </source>
        <translation>Hinweis:  </translation>
    </message>
    <message>
        <source>Set %1 Format</source>
        <translation>Einstellungen für %1</translation>
    </message>
    <message>
        <source>Set MP3 General</source>
        <translation>MP3: Allgemein</translation>
    </message>
    <message>
        <source>VBR</source>
        <translation>VBR</translation>
    </message>
    <message>
        <source>Set MP3 VBR</source>
        <translation>MP3: VBR</translation>
    </message>
    <message>
        <source>Filtering</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Set MP3 Filter</source>
        <translation>MP3: Filter</translation>
    </message>
    <message>
        <source>Expert</source>
        <translation>Experte</translation>
    </message>
    <message>
        <source>Set MP3 Expert</source>
        <translation>MP3: Experte</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Vorgaben</translation>
    </message>
    <message>
        <source>Set MP3 Presets</source>
        <translation>MP3: Vorgaben</translation>
    </message>
    <message>
        <source>Command Line</source>
        <translation>Befehlszeile</translation>
    </message>
    <message>
        <source>Set MP3 Command Line</source>
        <translation>MP3: Befehlszeile</translation>
    </message>
    <message>
        <source>Set WAV Format</source>
        <translation>Einstellungen für WAV</translation>
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
    <name>Tfm_set</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Store every value and close</source>
        <translation>Alle Werte speichern und schließen</translation>
    </message>
    <message>
        <source>Put the factory values into the controls; nothing is stored</source>
        <translation>Die Werkseinstellungen in die Felder setzen; nichts wird gespeichert</translation>
    </message>
    <message>
        <source>Close without storing anything</source>
        <translation>Schließen, ohne etwas zu speichern</translation>
    </message>
</context>
<context>
    <name>WavPage</name>
    <message>
        <source>Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <source>CD quality WAV format.</source>
        <translation>WAV in CD-Qualität.</translation>
    </message>
    <message>
        <source>Best good quality WAV format.</source>
        <translation>WAV in bester Qualität.</translation>
    </message>
    <message>
        <source>Custom WAV format.</source>
        <translation>Eigenes WAV-Format.</translation>
    </message>
    <message>
        <source>General Options:</source>
        <translation>Allgemeine Optionen:</translation>
    </message>
    <message>
        <source>Frequency:</source>
        <translation>Frequenz:</translation>
    </message>
    <message>
        <source>Bit Per Sample</source>
        <translation>Bit pro Sample</translation>
    </message>
    <message>
        <source>8 bps</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>16 bps</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>As the source</source>
        <translation>Wie die Quelle</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
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
    <message>
        <source>1 original moved to the Trash.</source>
        <translation>1 Original in den Papierkorb verschoben.</translation>
    </message>
    <message>
        <source>Checked: %1 samples written, %2 read back</source>
        <translation>Geprüft: %1 Samples geschrieben, %2 zurückgelesen</translation>
    </message>
    <message>
        <source>Check: %1 samples written, %2 read back</source>
        <translation>Prüfung: %1 Samples geschrieben, %2 zurückgelesen</translation>
    </message>
    <message>
        <source>PCM MD5 %1, as written</source>
        <translation>PCM-MD5 %1, wie geschrieben</translation>
    </message>
    <message>
        <source>PCM MD5 %1, not %2</source>
        <translation>PCM-MD5 %1, nicht %2</translation>
    </message>
    <message>
        <source>Tags written: %1</source>
        <translation>Geschriebene Tags: %1</translation>
    </message>
    <message>
        <source>No place in this format for: %1</source>
        <translation>In diesem Format kein Platz für: %1</translation>
    </message>
    <message>
        <source>Loudness: %1 LUFS</source>
        <translation>Lautheit: %1 LUFS</translation>
    </message>
    <message>
        <source>Peak: %1 %</source>
        <translation>Spitzenpegel: %1 %</translation>
    </message>
    <message>
        <source>%1 originals moved to the Trash.</source>
        <translation>%1 Originale in den Papierkorb verschoben.</translation>
    </message>
</context>
</TS>
