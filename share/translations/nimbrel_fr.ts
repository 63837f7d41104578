<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>AccessibleText</name>
    <message>
        <source>temperature missing</source>
        <translation>température manquante</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Now: no reading yet</source>
        <translation>Maintenant&#xa0;: pas encore de relevé</translation>
    </message>
    <message>
        <source>weather not given</source>
        <translation>temps non indiqué</translation>
    </message>
    <message>
        <source>Now: %1, %2</source>
        <translation>Maintenant&#xa0;: %1, %2</translation>
    </message>
    <message>
        <source>Forecast: not known yet</source>
        <translation>Prévision&#xa0;: pas encore connue</translation>
    </message>
    <message>
        <source>Unknown day</source>
        <translation>Jour inconnu</translation>
    </message>
    <message>
        <source>%1 to %2 %3</source>
        <translation>%1 à %2 %3</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 à %2</translation>
    </message>
    <message>
        <source>humidity %1 %</source>
        <translation>humidité %1&#xa0;%</translation>
    </message>
    <message>
        <source>humidity missing</source>
        <translation>humidité manquante</translation>
    </message>
    <message>
        <source>%1: %2, %3, %4</source>
        <translation>%1&#xa0;: %2, %3, %4</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>manquant</translation>
    </message>
    <message>
        <source>Sunrise %1, sunset %2.</source>
        <translation>Lever du soleil %1, coucher du soleil %2.</translation>
    </message>
    <message>
        <source>1 hour</source>
        <translation>1 heure</translation>
    </message>
    <message>
        <source>%1 hours</source>
        <translation>%1 heures</translation>
    </message>
    <message>
        <source>1 minute</source>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>Sun dial: the sun times are not known yet</source>
        <translation>Cadran solaire&#xa0;: les heures du soleil ne sont pas encore connues</translation>
    </message>
    <message>
        <source>The sun times are not known yet: they come with the first forecast.</source>
        <translation>Les heures du soleil ne sont pas encore connues&#xa0;: elles arrivent avec la première prévision.</translation>
    </message>
    <message>
        <source>the sun sets in %1</source>
        <translation>le soleil se couche dans %1</translation>
    </message>
    <message>
        <source>the sun rises in %1</source>
        <translation>le soleil se lève dans %1</translation>
    </message>
    <message>
        <source>Sunrise %1, sunset %2; %3</source>
        <translation>Lever du soleil %1, coucher du soleil %2&#xa0;; %3</translation>
    </message>
    <message>
        <source>Sunrise %1</source>
        <translation>Lever du soleil %1</translation>
    </message>
    <message>
        <source>Sunrise not known yet</source>
        <translation>Lever du soleil pas encore connu</translation>
    </message>
    <message>
        <source>Sunset %1</source>
        <translation>Coucher du soleil %1</translation>
    </message>
    <message>
        <source>Sunset not known yet</source>
        <translation>Coucher du soleil pas encore connu</translation>
    </message>
    <message>
        <source>Humidity missing</source>
        <translation>Humidité manquante</translation>
    </message>
    <message>
        <source>Humidity %1</source>
        <translation>Humidité %1</translation>
    </message>
    <message>
        <source>Last update: none yet</source>
        <translation>Dernière mise à jour&#xa0;: aucune pour l’instant</translation>
    </message>
    <message>
        <source>Temperature and humidity</source>
        <translation>Température et humidité</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Humidité</translation>
    </message>
    <message>
        <source>%1, %2 to %3</source>
        <translation>%1, du %2 au %3</translation>
    </message>
    <message>
        <source>No reading yet.</source>
        <translation>Pas encore de relevé.</translation>
    </message>
    <message>
        <source>Latest reading: %1, %2, at %3.</source>
        <translation>Dernier relevé&#xa0;: %1, %2, à %3.</translation>
    </message>
</context>
<context>
    <name>Autostart</name>
    <message>
        <source>The log-in entry %1 could not be removed: %2.</source>
        <translation>L’entrée de démarrage %1 n’a pas pu être supprimée&#xa0;: %2.</translation>
    </message>
    <message>
        <source>The autostart folder is not known: neither XDG_CONFIG_HOME nor HOME is set.</source>
        <translation>Le dossier de démarrage automatique est inconnu&#xa0;: ni XDG_CONFIG_HOME ni HOME n’est défini.</translation>
    </message>
    <message>
        <source>The autostart folder %1 could not be made: %2.</source>
        <translation>Le dossier de démarrage automatique %1 n’a pas pu être créé&#xa0;: %2.</translation>
    </message>
    <message>
        <source>The log-in entry could not be written in %1: %2.</source>
        <translation>L’entrée de démarrage n’a pas pu être écrite dans %1&#xa0;: %2.</translation>
    </message>
    <message>
        <source>The log-in entry could not be written in %1.</source>
        <translation>L’entrée de démarrage n’a pas pu être écrite dans %1.</translation>
    </message>
    <message>
        <source>The log-in entry %1 could not be written: %2.</source>
        <translation>L’entrée de démarrage %1 n’a pas pu être écrite&#xa0;: %2.</translation>
    </message>
</context>
<context>
    <name>ChartControl</name>
    <message>
        <source>now</source>
        <translation>maintenant</translation>
    </message>
</context>
<context>
    <name>Credits</name>
    <message>
        <source>Location data based on GeoNames</source>
        <translation>Données de lieux fondées sur GeoNames</translation>
    </message>
    <message>
        <source>Weather data by Open-Meteo.com</source>
        <translation>Données météo fournies par Open-Meteo.com</translation>
    </message>
</context>
<context>
    <name>FetchCycle</name>
    <message>
        <source>no answer from %1 in time</source>
        <translation>pas de réponse de %1 à temps</translation>
    </message>
    <message>
        <source>could not connect to %1</source>
        <translation>connexion impossible à %1</translation>
    </message>
    <message>
        <source>received</source>
        <translation>reçu</translation>
    </message>
    <message>
        <source>the answer from %1 could not be read: %2</source>
        <translation>la réponse de %1 n’a pas pu être lue&#xa0;: %2</translation>
    </message>
    <message>
        <source>the certificate of %1 was refused: %2</source>
        <translation>le certificat de %1 a été refusé&#xa0;: %2</translation>
    </message>
    <message>
        <source>the answer from %1 could not be read</source>
        <translation>la réponse de %1 n’a pas pu être lue</translation>
    </message>
    <message>
        <source>%1 answered with error %2</source>
        <translation>%1 a répondu par l’erreur %2</translation>
    </message>
</context>
<context>
    <name>GraphCapture</name>
    <message>
        <source>Image saved as %1</source>
        <translation>Image enregistrée sous %1</translation>
    </message>
    <message>
        <source>Image could not be saved.</source>
        <translation>L’image n’a pas pu être enregistrée.</translation>
    </message>
    <message>
        <source>The disk is full.</source>
        <translation>Le disque est plein.</translation>
    </message>
    <message>
        <source>The folder %1 is on a read-only disk.</source>
        <translation>Le dossier %1 se trouve sur un disque en lecture seule.</translation>
    </message>
    <message>
        <source>The folder %1 is read-only.</source>
        <translation>Le dossier %1 est en lecture seule.</translation>
    </message>
    <message>
        <source>You have no permission to write in the folder %1.</source>
        <translation>Vous n’avez pas le droit d’écrire dans le dossier %1.</translation>
    </message>
    <message>
        <source>The folder %1 does not exist.</source>
        <translation>Le dossier %1 n’existe pas.</translation>
    </message>
    <message>
        <source>The name of the folder %1 is too long.</source>
        <translation>Le nom du dossier %1 est trop long.</translation>
    </message>
    <message>
        <source>The system said: %1.</source>
        <translation>Message du système&#xa0;: %1.</translation>
    </message>
</context>
<context>
    <name>JsonDepth</name>
    <message>
        <source>nests deeper than %1 levels</source>
        <translation>est imbriquée sur plus de %1 niveaux</translation>
    </message>
</context>
<context>
    <name>ObservationFeed</name>
    <message>
        <source>Last update: %1</source>
        <translation>Dernière mise à jour&#xa0;: %1</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Actuel</translation>
    </message>
</context>
<context>
    <name>PlaceSearch</name>
    <message>
        <source>the place search&apos;s answer %1</source>
        <translation>la réponse de la recherche de lieux %1</translation>
    </message>
    <message>
        <source>the place search answered with something that is not a list of places</source>
        <translation>la recherche de lieux a répondu par autre chose qu’une liste de lieux</translation>
    </message>
    <message>
        <source>the place search failed: %1</source>
        <translation>la recherche de lieux a échoué&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>The update interval must be a whole number of minutes from %1 to %2 (24 hours); &quot;%3&quot; is not one.</source>
        <translation>L’intervalle de mise à jour doit être un nombre entier de minutes de %1 à %2 (24&#xa0;heures)&#xa0;; «&#xa0;%3&#xa0;» n’en est pas un.</translation>
    </message>
    <message>
        <source>The feed server must be an address such as %1; &quot;%2&quot; is not one.</source>
        <translation>Le serveur de flux doit être une adresse comme %1&#xa0;; «&#xa0;%2&#xa0;» n’en est pas une.</translation>
    </message>
    <message>
        <source>The location id must be letters, digits, &quot;-&quot; or &quot;_&quot; (such as 1769); &quot;%1&quot; is not one.</source>
        <translation>L’identifiant du lieu ne peut contenir que des lettres, des chiffres, «&#xa0;-&#xa0;» ou «&#xa0;_&#xa0;» (comme 1769)&#xa0;; «&#xa0;%1&#xa0;» n’en est pas un.</translation>
    </message>
</context>
<context>
    <name>SaveOutcome</name>
    <message>
        <source>the file could not be written</source>
        <translation>le fichier n’a pas pu être écrit</translation>
    </message>
    <message>
        <source>its folder is gone</source>
        <translation>son dossier n’existe plus</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>le fichier est en lecture seule</translation>
    </message>
    <message>
        <source>its folder is read-only</source>
        <translation>son dossier est en lecture seule</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>No settings file is named.</source>
        <translation>Aucun fichier de réglages n’est indiqué.</translation>
    </message>
    <message>
        <source>Nimbrel cannot save its readings in %1: %2.</source>
        <translation>Nimbrel ne peut pas enregistrer ses relevés dans %1&#xa0;: %2.</translation>
    </message>
    <message>
        <source>%1 was left incomplete by a save that was interrupted. Nimbrel kept the readings it could read; the file as it was is kept as %2.</source>
        <translation>%1 est resté incomplet après un enregistrement interrompu. Nimbrel a conservé les relevés lisibles&#xa0;; le fichier tel qu’il était est conservé sous %2.</translation>
    </message>
    <message>
        <source>%1 was damaged. Nimbrel kept what it could read of it; the file as it was is kept as %2.</source>
        <translation>%1 était endommagé. Nimbrel en a conservé ce qu’il a pu lire&#xa0;; le fichier tel qu’il était est conservé sous %2.</translation>
    </message>
    <message>
        <source>%1 could not be read as a settings file. Nimbrel started with its defaults and moved the file to %2.</source>
        <translation>%1 n’a pas pu être lu comme fichier de réglages. Nimbrel a démarré avec ses valeurs par défaut et a déplacé le fichier vers %2.</translation>
    </message>
</context>
<context>
    <name>SunTransit</name>
    <message>
        <source>Sunrise was %1 ago</source>
        <translation>Le soleil s’est levé il y a %1</translation>
    </message>
    <message>
        <source>Sunrise is in %1</source>
        <translation>Le soleil se lève dans %1</translation>
    </message>
    <message>
        <source>Sunset is in %1</source>
        <translation>Le soleil se couche dans %1</translation>
    </message>
    <message>
        <source>Sunset was %1 ago</source>
        <translation>Le soleil s’est couché il y a %1</translation>
    </message>
    <message>
        <source>Sun Transit Summary</source>
        <translation>Course du soleil</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>, humidity %1</source>
        <translation>, humidité %1</translation>
    </message>
    <message>
        <source>, at %1</source>
        <translation>, à %1</translation>
    </message>
    <message>
        <source>Location %1</source>
        <translation>Lieu %1</translation>
    </message>
</context>
<context>
    <name>TrayIconPicture</name>
    <message>
        <source>temperature missing</source>
        <translation>température manquante</translation>
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
        <translation>nœuds</translation>
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
        <translation>nord-est</translation>
    </message>
    <message>
        <source>east</source>
        <translation>est</translation>
    </message>
    <message>
        <source>south-east</source>
        <translation>sud-est</translation>
    </message>
    <message>
        <source>south</source>
        <translation>sud</translation>
    </message>
    <message>
        <source>south-west</source>
        <translation>sud-ouest</translation>
    </message>
    <message>
        <source>west</source>
        <translation>ouest</translation>
    </message>
    <message>
        <source>north-west</source>
        <translation>nord-ouest</translation>
    </message>
    <message>
        <source>north</source>
        <translation>nord</translation>
    </message>
    <message>
        <source>force %1</source>
        <translation>force %1</translation>
    </message>
    <message>
        <source>%1 m/s</source>
        <translation>%1&#xa0;m/s</translation>
    </message>
    <message>
        <source>%1 mph</source>
        <translation>%1&#xa0;mph</translation>
    </message>
    <message>
        <source>%1 knots</source>
        <translation>%1&#xa0;nœuds</translation>
    </message>
    <message>
        <source>%1 km/h</source>
        <translation>%1&#xa0;km/h</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2 from the %3</source>
        <translation>Ressenti %1, vent %2 de direction %3</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2 from the %3, chance of rain %4 %</source>
        <translation>Ressenti %1, vent %2 de direction %3, risque de pluie %4&#xa0;%</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2</source>
        <translation>Ressenti %1, vent %2</translation>
    </message>
    <message>
        <source>Feels like %1, wind %2, chance of rain %3 %</source>
        <translation>Ressenti %1, vent %2, risque de pluie %3&#xa0;%</translation>
    </message>
    <message>
        <source>Feels like %1</source>
        <translation>Ressenti %1</translation>
    </message>
    <message>
        <source>Feels like %1, chance of rain %2 %</source>
        <translation>Ressenti %1, risque de pluie %2&#xa0;%</translation>
    </message>
    <message>
        <source>Wind %1 from the %2</source>
        <translation>Vent %1 de direction %2</translation>
    </message>
    <message>
        <source>Wind %1 from the %2, chance of rain %3 %</source>
        <translation>Vent %1 de direction %2, risque de pluie %3&#xa0;%</translation>
    </message>
    <message>
        <source>Wind %1</source>
        <translation>Vent %1</translation>
    </message>
    <message>
        <source>Wind %1, chance of rain %2 %</source>
        <translation>Vent %1, risque de pluie %2&#xa0;%</translation>
    </message>
    <message>
        <source>Chance of rain %1 %</source>
        <translation>Risque de pluie %1&#xa0;%</translation>
    </message>
    <message>
        <source>Wind up to %1</source>
        <translation>Vent jusqu’à %1</translation>
    </message>
    <message>
        <source>Wind up to %1, chance of rain %2 %</source>
        <translation>Vent jusqu’à %1, risque de pluie %2&#xa0;%</translation>
    </message>
</context>
<context>
    <name>WeatherGraph</name>
    <message>
        <source>Temperature and Humidity</source>
        <translation>Température et humidité</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Humidité</translation>
    </message>
    <message>
        <source>Temp</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>Humid</source>
        <translation>Humid.</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>No reading yet: the feed server could not be reached.</source>
        <translation>Pas encore de relevé&#xa0;: le serveur de flux est injoignable.</translation>
    </message>
    <message>
        <source>Waiting for the first reading…</source>
        <translation>En attente du premier relevé…</translation>
    </message>
</context>
<context>
    <name>nimbrel::AboutBox</name>
    <message>
        <source>About Nimbrel</source>
        <translation>À propos de Nimbrel</translation>
    </message>
    <message>
        <source>A small desktop weather display: the current weather, a three-day forecast, a sun dial and a history chart.</source>
        <translation>Un petit affichage météo pour le bureau&#xa0;: le temps actuel, une prévision sur trois jours, un cadran solaire et un graphique de l’historique.</translation>
    </message>
    <message>
        <source>Nimbrel is free software under the MIT licence.</source>
        <translation>Nimbrel est un logiciel libre sous licence MIT.</translation>
    </message>
    <message>
        <source>Nimbrel keeps its settings and pictures in this folder:</source>
        <translation>Nimbrel conserve ses réglages et ses images dans ce dossier&#xa0;:</translation>
    </message>
</context>
<context>
    <name>nimbrel::PlaceDialog</name>
    <message>
        <source>Nimbrel - Set location</source>
        <translation>Nimbrel - Choisir le lieu</translation>
    </message>
    <message>
        <source>Town or city, such as Berlin</source>
        <translation>Ville ou commune, par exemple Berlin</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Recherche en cours…</translation>
    </message>
    <message>
        <source>The search failed: %1</source>
        <translation>La recherche a échoué&#xa0;: %1</translation>
    </message>
    <message>
        <source>No place of that name was found.</source>
        <translation>Aucun lieu de ce nom n’a été trouvé.</translation>
    </message>
    <message>
        <source>Choose a place and press OK.</source>
        <translation>Choisissez un lieu et appuyez sur OK.</translation>
    </message>
</context>
<context>
    <name>nimbrel::PreferencesDialog</name>
    <message>
        <source>Nimbrel Preferences</source>
        <translation>Préférences de Nimbrel</translation>
    </message>
    <message>
        <source>Place</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>C&amp;hoose place…</source>
        <translation>C&amp;hoisir un lieu…</translation>
    </message>
    <message>
        <source>Real weather:</source>
        <translation>Météo réelle&#xa0;:</translation>
    </message>
    <message>
        <source>Feed &amp;server:</source>
        <translation>&amp;Serveur de flux&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Location id:</source>
        <translation>&amp;Identifiant du lieu&#xa0;:</translation>
    </message>
    <message>
        <source>From 1 to 1440 minutes</source>
        <translation>De 1 à 1440&#xa0;minutes</translation>
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
        <translation>Mettre à jo&amp;ur toutes les (minutes)&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Temperatures in:</source>
        <translation>&amp;Températures en&#xa0;:</translation>
    </message>
    <message>
        <source>Start Nimbrel in the tray when I &amp;log in</source>
        <translation>Démarrer Nimbrel dans la zone de notification à l’ou&amp;verture de session</translation>
    </message>
    <message>
        <source>(none chosen: the feed server below)</source>
        <translation>(aucun choisi&#xa0;: le serveur de flux ci-dessous)</translation>
    </message>
    <message>
        <source>&amp;Wind in:</source>
        <translation>Vent e&amp;n&#xa0;:</translation>
    </message>
</context>
<context>
    <name>nimbrel::frmGraph</name>
    <message>
        <source>Nimbrel - Graph</source>
        <translation>Nimbrel - Graphique</translation>
    </message>
    <message>
        <source>&amp;Graph Type</source>
        <translation>&amp;Type de graphique</translation>
    </message>
    <message>
        <source>Temperature &amp;and Humidity</source>
        <translation>Température &amp;et humidité</translation>
    </message>
    <message>
        <source>&amp;Temperature</source>
        <translation>&amp;Température</translation>
    </message>
    <message>
        <source>&amp;Humidity</source>
        <translation>&amp;Humidité</translation>
    </message>
    <message>
        <source>T&amp;ime frame</source>
        <translation>Pé&amp;riode</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Tout</translation>
    </message>
    <message>
        <source>Last &amp;24 hours</source>
        <translation>Dernières &amp;24&#xa0;heures</translation>
    </message>
    <message>
        <source>Last &amp;Week</source>
        <translation>Dernière &amp;semaine</translation>
    </message>
    <message>
        <source>Last &amp;Month</source>
        <translation>Dernier &amp;mois</translation>
    </message>
    <message>
        <source>Last &amp;Six Months</source>
        <translation>Si&amp;x derniers mois</translation>
    </message>
    <message>
        <source>Last &amp;Year</source>
        <translation>Dernière &amp;année</translation>
    </message>
    <message>
        <source>&amp;Capture</source>
        <translation>&amp;Capturer</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About Nimbrel…</source>
        <translation>À &amp;propos de Nimbrel…</translation>
    </message>
    <message>
        <source>Show &amp;forecast</source>
        <translation>Afficher la &amp;prévision</translation>
    </message>
</context>
<context>
    <name>nimbrel::frmMain</name>
    <message>
        <source>Humidity:</source>
        <translation>Humidité&#xa0;:</translation>
    </message>
    <message>
        <source>System Tray</source>
        <translation>Zone de notification</translation>
    </message>
    <message>
        <source>%1 cannot save its history to %2: %3. It keeps it in memory and tries again every minute.</source>
        <translation>%1 ne peut pas enregistrer son historique dans %2&#xa0;: %3. Il le garde en mémoire et réessaie chaque minute.</translation>
    </message>
    <message>
        <source>Forecast %1: %2</source>
        <translation>Prévision %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Observation %1: %2</source>
        <translation>Observation %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 could not update the forecast: %2.</source>
        <translation>%1 n’a pas pu mettre à jour la prévision&#xa0;: %2.</translation>
    </message>
    <message>
        <source>%1 could not update the current data: %2.</source>
        <translation>%1 n’a pas pu mettre à jour les données actuelles&#xa0;: %2.</translation>
    </message>
    <message>
        <source>The sun times are not known yet: they come with the first forecast.</source>
        <translation>Les heures du soleil ne sont pas encore connues&#xa0;: elles arrivent avec la première prévision.</translation>
    </message>
    <message>
        <source>%1 min ago</source>
        <translation>il y a %1&#xa0;min</translation>
    </message>
    <message>
        <source>%1 h ago</source>
        <translation>il y a %1&#xa0;h</translation>
    </message>
    <message>
        <source>%1 days ago</source>
        <translation>il y a %1&#xa0;jours</translation>
    </message>
    <message>
        <source>This desktop has no notification area, so Nimbrel has been minimised instead of being sent to the system tray. Bring it back from the window list or the task bar.</source>
        <translation>Ce bureau n’a pas de zone de notification&#xa0;: Nimbrel a donc été réduit au lieu d’être placé dans la zone de notification. Rappelez-le depuis la liste des fenêtres ou la barre des tâches.</translation>
    </message>
    <message>
        <source>No place yet: click here, then &quot;Set location...&quot;</source>
        <translation>Pas encore de lieu&#xa0;: cliquez ici, puis «&#xa0;Choisir le lieu…&#xa0;»</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>&amp;Update current data</source>
        <translation>Mettre à jour les &amp;données actuelles</translation>
    </message>
    <message>
        <source>Update &amp;forecast</source>
        <translation>Mettre à jour la &amp;prévision</translation>
    </message>
    <message>
        <source>Show &amp;graph window</source>
        <translation>Afficher la fenêtre du &amp;graphique</translation>
    </message>
    <message>
        <source>Set &amp;location…</source>
        <translation>Choisir le &amp;lieu…</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>Pré&amp;férences…</translation>
    </message>
    <message>
        <source>&amp;About Nimbrel…</source>
        <translation>À pr&amp;opos de Nimbrel…</translation>
    </message>
    <message>
        <source>E&amp;xit Nimbrel</source>
        <translation>&amp;Quitter Nimbrel</translation>
    </message>
    <message>
        <source>Send to system &amp;tray</source>
        <translation>Placer dans la &amp;zone de notification</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Restaurer</translation>
    </message>
    <message>
        <source>This desktop has no notification area, so Nimbrel cannot be sent to the system tray. It has asked the desktop to minimise its window instead; if the window is still there, the desktop does not allow it.</source>
        <translation>Ce bureau n’a pas de zone de notification&#xa0;; Nimbrel ne peut donc pas y être placé. Il a demandé au bureau de réduire sa fenêtre à la place&#xa0;; si la fenêtre est toujours là, le bureau ne le permet pas.</translation>
    </message>
    <message>
        <source>%1 could not save its history to %2: %3. The readings since the last save will be lost if it ends now.</source>
        <translation>%1 n’a pas pu enregistrer son historique dans %2&#xa0;: %3. Les relevés depuis le dernier enregistrement seront perdus s’il se termine maintenant.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>End and lose the unsaved readings</source>
        <translation>Quitter et perdre les relevés non enregistrés</translation>
    </message>
</context>
</TS>
