<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AccessibleText</name>
    <message>
        <source>temperature missing</source>
        <translation>Temperatur fehlt</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Now: no reading yet</source>
        <translation>Jetzt: noch keine Messung</translation>
    </message>
    <message>
        <source>weather not given</source>
        <translation>Wetter nicht angegeben</translation>
    </message>
    <message>
        <source>Now: %1, %2</source>
        <translation>Jetzt: %1, %2</translation>
    </message>
    <message>
        <source>Forecast: not known yet</source>
        <translation>Vorhersage: noch nicht bekannt</translation>
    </message>
    <message>
        <source>Unknown day</source>
        <translation>Unbekannter Tag</translation>
    </message>
    <message>
        <source>%1 to %2 %3</source>
        <translation>%1 bis %2 %3</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>humidity %1 %</source>
        <translation>Luftfeuchtigkeit %1 %</translation>
    </message>
    <message>
        <source>humidity missing</source>
        <translation>Luftfeuchtigkeit fehlt</translation>
    </message>
    <message>
        <source>%1: %2, %3, %4</source>
        <translation>%1: %2, %3, %4</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>Sunrise %1, sunset %2.</source>
        <translation>Sonnenaufgang %1, Sonnenuntergang %2.</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 Stunde</translation>
    </message>
    <message>
        <source>%1 hours</source>
        <translation>%1 Stunden</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 Minuten</translation>
    </message>
    <message>
        <source>Sun dial: the sun times are not known yet</source>
        <translation>Sonnenuhr: Die Sonnenzeiten sind noch nicht bekannt</translation>
    </message>
    <message>
        <source>The sun times are not known yet: they come with the first forecast.</source>
        <translation>Die Sonnenzeiten sind noch nicht bekannt: Sie kommen mit der ersten Vorhersage.</translation>
    </message>
    <message>
        <source>the sun sets in %1</source>
        <translation>die Sonne geht in %1 unter</translation>
    </message>
    <message>
        <source>the sun rises in %1</source>
        <translation>die Sonne geht in %1 auf</translation>
    </message>
    <message>
        <source>Sunrise %1, sunset %2; %3</source>
        <translation>Sonnenaufgang %1, Sonnenuntergang %2; %3</translation>
    </message>
    <message>
        <source>Sunrise %1</source>
        <translation>Sonnenaufgang %1</translation>
    </message>
    <message>
        <source>Sunrise not known yet</source>
        <translation>Sonnenaufgang noch nicht bekannt</translation>
    </message>
    <message>
        <source>Sunset %1</source>
        <translation>Sonnenuntergang %1</translation>
    </message>
    <message>
        <source>Sunset not known yet</source>
        <translation>Sonnenuntergang noch nicht bekannt</translation>
    </message>
    <message>
        <source>Humidity missing</source>
        <translation>Luftfeuchtigkeit fehlt</translation>
    </message>
    <message>
        <source>Humidity %1</source>
        <translation>Luftfeuchtigkeit %1</translation>
    </message>
    <message>
        <source>Last update: none yet</source>
        <translation>Letzte Aktualisierung: noch keine</translation>
    </message>
    <message>
        <source>Temperature and humidity</source>
        <translation>Temperatur und Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>%1, %2 to %3</source>
        <translation>%1, %2 bis %3</translation>
    </message>
    <message>
        <source>No reading yet.</source>
        <translation>Noch keine Messung.</translation>
    </message>
    <message>
        <source>Latest reading: %1, %2, at %3.</source>
        <translation>Letzte Messung: %1, %2, um %3.</translation>
    </message>
</context>
<context>
    <name>Autostart</name>
    <message>
        <source>The log-in entry %1 could not be removed: %2.</source>
        <translation>Der Anmeldeeintrag %1 konnte nicht entfernt werden: %2.</translation>
    </message>
    <message>
        <source>The autostart folder is not known: neither XDG_CONFIG_HOME nor HOME is set.</source>
        <translation>Der Autostart-Ordner ist nicht bekannt: Weder XDG_CONFIG_HOME noch HOME ist gesetzt.</translation>
    </message>
    <message>
        <source>The autostart folder %1 could not be made: %2.</source>
        <translation>Der Autostart-Ordner %1 konnte nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>The log-in entry could not be written in %1: %2.</source>
        <translation>Der Anmeldeeintrag konnte nicht in %1 geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>The log-in entry could not be written in %1.</source>
        <translation>Der Anmeldeeintrag konnte nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>The log-in entry %1 could not be written: %2.</source>
        <translation>Der Anmeldeeintrag %1 konnte nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>ChartControl</name>
    <message>
        <source>now</source>
        <translation>jetzt</translation>
    </message>
</context>
<context>
    <name>Credits</name>
    <message>
        <source>Location data based on GeoNames</source>
        <translation>Ortsdaten auf Grundlage von GeoNames</translation>
    </message>
    <message>
        <source>Weather data by Open-Meteo.com</source>
        <translation>Wetterdaten von Open-Meteo.com</translation>
    </message>
</context>
<context>
    <name>FetchCycle</name>
    <message>
        <source>no answer from %1 in time</source>
        <translation>keine rechtzeitige Antwort von %1</translation>
    </message>
    <message>
        <source>could not connect to %1</source>
        <translation>keine Verbindung zu %1</translation>
    </message>
    <message>
        <source>received</source>
        <translation>empfangen</translation>
    </message>
    <message>
        <source>the answer from %1 could not be read: %2</source>
        <translation>die Antwort von %1 war nicht lesbar: %2</translation>
    </message>
    <message>
        <source>the certificate of %1 was refused: %2</source>
        <translation>das Zertifikat von %1 wurde abgelehnt: %2</translation>
    </message>
    <message>
        <source>the answer from %1 could not be read</source>
        <translation>die Antwort von %1 war nicht lesbar</translation>
    </message>
    <message>
        <source>%1 answered with error %2</source>
        <translation>%1 antwortete mit Fehler %2</translation>
    </message>
</context>
<context>
    <name>GraphCapture</name>
    <message>
        <source>Image saved as %1</source>
        <translation>Bild gespeichert als %1</translation>
    </message>
    <message>
        <source>Image could not be saved.</source>
        <translation>Das Bild konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The disk is full.</source>
        <translation>Der Datenträger ist voll.</translation>
    </message>
    <message>
        <source>The folder %1 is on a read-only disk.</source>
        <translation>Der Ordner %1 liegt auf einem schreibgeschützten Datenträger.</translation>
    </message>
    <message>
        <source>The folder %1 is read-only.</source>
        <translation>Der Ordner %1 ist schreibgeschützt.</translation>
    </message>
    <message>
        <source>You have no permission to write in the folder %1.</source>
        <translation>Sie haben keine Berechtigung, in den Ordner %1 zu schreiben.</translation>
    </message>
    <message>
        <source>The folder %1 does not exist.</source>
        <translation>Der Ordner %1 existiert nicht.</translation>
    </message>
    <message>
        <source>The name of the folder %1 is too long.</source>
        <translation>Der Name des Ordners %1 ist zu lang.</translation>
    </message>
    <message>
        <source>The system said: %1.</source>
        <translation>Meldung des Systems: %1.</translation>
    </message>
</context>
<context>
    <name>JsonDepth</name>
    <message>
        <source>nests deeper than %1 levels</source>
        <translation>ist tiefer als %1 Ebenen verschachtelt</translation>
    </message>
</context>
<context>
    <name>ObservationFeed</name>
    <message>
        <source>Last update: %1</source>
        <translation>Letzte Aktualisierung: %1</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Jetzt</translation>
    </message>
</context>
<context>
    <name>PlaceSearch</name>
    <message>
        <source>the place search&apos;s answer %1</source>
        <translation>die Antwort der Ortssuche %1</translation>
    </message>
    <message>
        <source>the place search answered with something that is not a list of places</source>
        <translation>die Ortssuche antwortete mit etwas, das keine Liste von Orten ist</translation>
    </message>
    <message>
        <source>the place search failed: %1</source>
        <translation>die Ortssuche ist fehlgeschlagen: %1</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>The update interval must be a whole number of minutes from %1 to %2 (24 hours); &quot;%3&quot; is not one.</source>
        <translation>Das Aktualisierungsintervall muss eine ganze Zahl von Minuten zwischen %1 und %2 (24 Stunden) sein; „%3“ ist keine.</translation>
    </message>
    <message>
        <source>The feed server must be an address such as %1; &quot;%2&quot; is not one.</source>
        <translation>Der Feed-Server muss eine Adresse wie %1 sein; „%2“ ist keine.</translation>
    </message>
    <message>
        <source>The location id must be letters, digits, &quot;-&quot; or &quot;_&quot; (such as 1769); &quot;%1&quot; is not one.</source>
        <translation>Die Orts-ID darf nur aus Buchstaben, Ziffern, „-“ oder „_“ bestehen (etwa 1769); „%1“ ist keine.</translation>
    </message>
</context>
<context>
    <name>SaveOutcome</name>
    <message>
        <source>the file could not be written</source>
        <translation>die Datei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>its folder is gone</source>
        <translation>ihr Ordner ist nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>its folder is read-only</source>
        <translation>ihr Ordner ist schreibgeschützt</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>No settings file is named.</source>
        <translation>Es ist keine Einstellungsdatei angegeben.</translation>
    </message>
    <message>
        <source>Nimbrel cannot save its readings in %1: %2.</source>
        <translation>Nimbrel kann seine Messwerte nicht in %1 speichern: %2.</translation>
    </message>
    <message>
        <source>%1 was left incomplete by a save that was interrupted. Nimbrel kept the readings it could read; the file as it was is kept as %2.</source>
        <translation>%1 wurde von einem unterbrochenen Speichervorgang unvollständig hinterlassen. Nimbrel hat die lesbaren Messwerte übernommen; die Datei wird im vorgefundenen Zustand als %2 aufbewahrt.</translation>
    </message>
    <message>
        <source>%1 was damaged. Nimbrel kept what it could read of it; the file as it was is kept as %2.</source>
        <translation>%1 war beschädigt. Nimbrel hat übernommen, was davon lesbar war; die Datei wird im vorgefundenen Zustand als %2 aufbewahrt.</translation>
    </message>
    <message>
        <source>%1 could not be read as a settings file. Nimbrel started with its defaults and moved the file to %2.</source>
        <translation>%1 konnte nicht als Einstellungsdatei gelesen werden. Nimbrel wurde mit den Standardwerten gestartet und hat die Datei nach %2 verschoben.</translation>
    </message>
</context>
<context>
    <name>SunTransit</name>
    <message>
        <source>Sunrise was %1 ago</source>
        <translation>Sonnenaufgang vor %1</translation>
    </message>
    <message>
        <source>Sunrise is in %1</source>
        <translation>Sonnenaufgang in %1</translation>
    </message>
    <message>
        <source>Sunset is in %1</source>
        <translation>Sonnenuntergang in %1</translation>
    </message>
    <message>
        <source>Sunset was %1 ago</source>
        <translation>Sonnenuntergang vor %1</translation>
    </message>
    <message>
        <source>Sun Transit Summary</source>
        <translation>Sonnenlauf</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>, humidity %1</source>
        <translation>, Luftfeuchtigkeit %1</translation>
    </message>
    <message>
        <source>, at %1</source>
        <translation>, um %1</translation>
    </message>
    <message>
        <source>Location %1</source>
        <translation>Ort %1</translation>
    </message>
</context>
<context>
    <name>TrayIconPicture</name>
    <message>
        <source>temperature missing</source>
        <translation>Temperatur fehlt</translation>
    </message>
</context>
<context>
    <name>WeatherExtras</name>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>m/s</source>
        <translation>m/s</translation>
    </message>
    <message>
        <source>mph</source>
        <translation>mph</translation>
    </message>
    <message>
        <source>knots</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Beaufort</source>
        <translation>Beaufort</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>north-east</source>
        <translation>Nordost</translation>
    </message>
    <message>
        <source>east</source>
        <translation>Ost</translation>
    </message>
    <message>
        <source>south-east</source>
        <translation>Südost</translation>
    </message>
    <message>
        <source>south</source>
        <translation>Süd</translation>
    </message>
    <message>
        <source>south-west</source>
        <translation>Südwest</translation>
    </message>
    <message>
        <source>west</source>
        <translation>West</translation>
    </message>
    <message>
        <source>north-west</source>
        <translation>Nordwest</translation>
    </message>
    <message>
        <source>north</source>
        <translation>Nord</translation>
    </message>
    <message>
        <source>force %1</source>
        <translation>Stärke %1</translation>
    </message>
    <message>
        <source>%1 m/s</source>
        <translation>%1 m/s</translation>
    </message>
    <message>
        <source>%1 mph</source>
        <translation>%1 mph</translation>
    </message>
    <message>
        <source>%1 knots</source>
        <translation>%1 Knoten</translation>
    </message>
    <message>
        <source>%1 km/h</source>
        <translation>%1 km/h</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2 from the %3</source>
        <translation>Gefühlt %1, Wind %2 aus %3</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2 from the %3, chance of rain %4 %</source>
        <translation>Gefühlt %1, Wind %2 aus %3, Regenwahrscheinlichkeit %4 %</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2</source>
        <translation>Gefühlt %1, Wind %2</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2, chance of rain %3 %</source>
        <translation>Gefühlt %1, Wind %2, Regenwahrscheinlichkeit %3 %</translation>
    </message>
    <message>
        <source>Feels like %1</source>
        <translation>Gefühlt %1</translation>
    </message>
    <message>
        <source>Feels like %1, chance of rain %2 %</source>
        <translation>Gefühlt %1, Regenwahrscheinlichkeit %2 %</translation>
    </message>
    <message>
        <source>Wind %1 from the %2</source>
        <translation>Wind %1 aus %2</translation>
    </message>
    <message>
        <source>Wind %1 from the %2, chance of rain %3 %</source>
        <translation>Wind %1 aus %2, Regenwahrscheinlichkeit %3 %</translation>
    </message>
    <message>
        <source>Wind %1</source>
        <translation>Wind %1</translation>
    </message>
    <message>
        <source>Wind %1, chance of rain %2 %</source>
        <translation>Wind %1, Regenwahrscheinlichkeit %2 %</translation>
    </message>
    <message>
        <source>Chance of rain %1 %</source>
        <translation>Regenwahrscheinlichkeit %1 %</translation>
    </message>
    <message>
        <source>Wind up to %1</source>
        <translation>Wind bis %1</translation>
    </message>
    <message>
        <source>Wind up to %1, chance of rain %2 %</source>
        <translation>Wind bis %1, Regenwahrscheinlichkeit %2 %</translation>
    </message>
</context>
<context>
    <name>WeatherGraph</name>
    <message>
        <source>Temperature and Humidity</source>
        <translation>Temperatur und Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>Temp</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>Humid</source>
        <translation>Feuchte</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>No reading yet: the feed server could not be reached.</source>
        <translation>Noch keine Messung: Der Feed-Server war nicht erreichbar.</translation>
    </message>
    <message>
        <source>Waiting for the first reading…</source>
        <translation>Warten auf die erste Messung …</translation>
    </message>
</context>
<context>
    <name>nimbrel::AboutBox</name>
    <message>
        <source>About Nimbrel</source>
        <translation>Über Nimbrel</translation>
    </message>
    <message>
        <source>A small desktop weather display: the current weather, a three-day forecast, a sun dial and a history chart.</source>
        <translation>Eine kleine Wetteranzeige für die Arbeitsfläche: das aktuelle Wetter, eine Drei-Tage-Vorhersage, eine Sonnenuhr und ein Verlaufsdiagramm.</translation>
    </message>
    <message>
        <source>Nimbrel is free software under the MIT licence.</source>
        <translation>Nimbrel ist freie Software unter der MIT-Lizenz.</translation>
    </message>
    <message>
        <source>Nimbrel keeps its settings and pictures in this folder:</source>
        <translation>Nimbrel speichert seine Einstellungen und Bilder in diesem Ordner:</translation>
    </message>
</context>
<context>
    <name>nimbrel::PlaceDialog</name>
    <message>
        <source>Nimbrel - Set location</source>
        <translation>Nimbrel - Ort festlegen</translation>
    </message>
    <message>
        <source>Town or city, such as Berlin</source>
        <translation>Ort oder Stadt, etwa Berlin</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche läuft …</translation>
    </message>
    <message>
        <source>The search failed: %1</source>
        <translation>Die Suche ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>No place of that name was found.</source>
        <translation>Es wurde kein Ort mit diesem Namen gefunden.</translation>
    </message>
    <message>
        <source>Choose a place and press OK.</source>
        <translation>Wählen Sie einen Ort und klicken Sie auf OK.</translation>
    </message>
</context>
<context>
    <name>nimbrel::PreferencesDialog</name>
    <message>
        <source>Nimbrel Preferences</source>
        <translation>Nimbrel-Einstellungen</translation>
    </message>
    <message>
        <source>Place</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>C&amp;hoose place…</source>
        <translation>Ort &amp;wählen …</translation>
    </message>
    <message>
        <source>Real weather:</source>
        <translation>Echtes Wetter:</translation>
    </message>
    <message>
        <source>Feed &amp;server:</source>
        <translation>Feed-&amp;Server:</translation>
    </message>
    <message>
        <source>&amp;Location id:</source>
        <translation>&amp;Orts-ID:</translation>
    </message>
    <message>
        <source>From 1 to 1440 minutes</source>
        <translation>Von 1 bis 1440 Minuten</translation>
    </message>
    <message>
        <source>°C (Celsius)</source>
        <translation>°C (Celsius)</translation>
    </message>
    <message>
        <source>°F (Fahrenheit)</source>
        <translation>°F (Fahrenheit)</translation>
    </message>
    <message>
        <source>&amp;Update every (minutes):</source>
        <translation>&amp;Aktualisieren alle (Minuten):</translation>
    </message>
    <message>
        <source>&amp;Temperatures in:</source>
        <translation>&amp;Temperaturen in:</translation>
    </message>
    <message>
        <source>Start Nimbrel in the tray when I &amp;log in</source>
        <translation>Nimbrel beim Anmel&amp;den im Infobereich starten</translation>
    </message>
    <message>
        <source>(none chosen: the feed server below)</source>
        <translation>(keiner gewählt: der Feed-Server unten)</translation>
    </message>
    <message>
        <source>&amp;Wind in:</source>
        <translation>Wind&amp;geschwindigkeit in:</translation>
    </message>
</context>
<context>
    <name>nimbrel::frmGraph</name>
    <message>
        <source>Nimbrel - Graph</source>
        <translation>Nimbrel - Diagramm</translation>
    </message>
    <message>
        <source>&amp;Graph Type</source>
        <translation>&amp;Diagrammart</translation>
    </message>
    <message>
        <source>Temperature &amp;and Humidity</source>
        <translation>Temperatur &amp;und Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>&amp;Temperature</source>
        <translation>&amp;Temperatur</translation>
    </message>
    <message>
        <source>&amp;Humidity</source>
        <translation>&amp;Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>T&amp;ime frame</source>
        <translation>&amp;Zeitraum</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Alles</translation>
    </message>
    <message>
        <source>Last &amp;24 hours</source>
        <translation>Letzte &amp;24 Stunden</translation>
    </message>
    <message>
        <source>Last &amp;Week</source>
        <translation>Letzte &amp;Woche</translation>
    </message>
    <message>
        <source>Last &amp;Month</source>
        <translation>Letzter &amp;Monat</translation>
    </message>
    <message>
        <source>Last &amp;Six Months</source>
        <translation>Letzte &amp;sechs Monate</translation>
    </message>
    <message>
        <source>Last &amp;Year</source>
        <translation>Letztes &amp;Jahr</translation>
    </message>
    <message>
        <source>&amp;Capture</source>
        <translation>&amp;Aufnehmen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Nimbrel…</source>
        <translation>Über &amp;Nimbrel …</translation>
    </message>
    <message>
        <source>Show &amp;forecast</source>
        <translation>&amp;Vorhersage anzeigen</translation>
    </message>
</context>
<context>
    <name>nimbrel::frmMain</name>
    <message>
        <source>Humidity:</source>
        <translation>Feuchte:</translation>
    </message>
    <message>
        <source>System Tray</source>
        <translation>Infobereich</translation>
    </message>
    <message>
        <source>%1 cannot save its history to %2: %3. It keeps it in memory and tries again every minute.</source>
        <translation>%1 kann seinen Verlauf nicht in %2 speichern: %3. Er bleibt im Speicher, und jede Minute folgt ein neuer Versuch.</translation>
    </message>
    <message>
        <source>Forecast %1: %2</source>
        <translation>Vorhersage %1: %2</translation>
    </message>
    <message>
        <source>Observation %1: %2</source>
        <translation>Messung %1: %2</translation>
    </message>
    <message>
        <source>%1 could not update the forecast: %2.</source>
        <translation>%1 konnte die Vorhersage nicht aktualisieren: %2.</translation>
    </message>
    <message>
        <source>%1 could not update the current data: %2.</source>
        <translation>%1 konnte die aktuellen Daten nicht aktualisieren: %2.</translation>
    </message>
    <message>
        <source>The sun times are not known yet: they come with the first forecast.</source>
        <translation>Die Sonnenzeiten sind noch nicht bekannt: Sie kommen mit der ersten Vorhersage.</translation>
    </message>
    <message>
        <source>%1 min ago</source>
        <translation>vor %1 Min.</translation>
    </message>
    <message>
        <source>%1 h ago</source>
        <translation>vor %1 Std.</translation>
    </message>
    <message>
        <source>%1 days ago</source>
        <translation>vor %1 Tagen</translation>
    </message>
    <message>
        <source>This desktop has no notification area, so Nimbrel has been minimised instead of being sent to the system tray. Bring it back from the window list or the task bar.</source>
        <translation>Diese Arbeitsfläche hat keinen Infobereich, daher wurde Nimbrel minimiert, statt in den Infobereich verschoben zu werden. Holen Sie es über die Fensterliste oder die Taskleiste zurück.</translation>
    </message>
    <message>
        <source>No place yet: click here, then &quot;Set location...&quot;</source>
        <translation>Noch kein Ort: hier klicken, dann „Ort festlegen …“</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Update current data</source>
        <translation>Aktuelle &amp;Daten abrufen</translation>
    </message>
    <message>
        <source>Update &amp;forecast</source>
        <translation>&amp;Vorhersage abrufen</translation>
    </message>
    <message>
        <source>Show &amp;graph window</source>
        <translation>Dia&amp;grammfenster anzeigen</translation>
    </message>
    <message>
        <source>Set &amp;location…</source>
        <translation>&amp;Ort festlegen …</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>&amp;Einstellungen …</translation>
    </message>
    <message>
        <source>&amp;About Nimbrel…</source>
        <translation>Über &amp;Nimbrel …</translation>
    </message>
    <message>
        <source>E&amp;xit Nimbrel</source>
        <translation>Nimbrel &amp;beenden</translation>
    </message>
    <message>
        <source>Send to system &amp;tray</source>
        <translation>In den &amp;Infobereich verschieben</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>This desktop has no notification area, so Nimbrel cannot be sent to the system tray. It has asked the desktop to minimise its window instead; if the window is still there, the desktop does not allow it.</source>
        <translation>Dieser Desktop hat keinen Infobereich, daher kann Nimbrel nicht in den Infobereich verschoben werden. Nimbrel hat den Desktop gebeten, sein Fenster stattdessen zu minimieren; ist das Fenster noch zu sehen, lässt der Desktop das nicht zu.</translation>
    </message>
    <message>
        <source>%1 could not save its history to %2: %3. The readings since the last save will be lost if it ends now.</source>
        <translation>%1 konnte seinen Verlauf nicht in %2 speichern: %3. Die Messwerte seit dem letzten Speichern gehen verloren, wenn das Programm jetzt endet.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>End and lose the unsaved readings</source>
        <translation>Beenden und die ungespeicherten Messwerte verlieren</translation>
    </message>
</context>
</TS>
