<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MainWindow</name>
    <message>
        <source>Orvex</source>
        <translation>Orvex</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Unable to connect to the server.</source>
        <translation>Verbindung zum Server nicht möglich.</translation>
    </message>
    <message>
        <source>Login failed. The user name or password you entered is incorrect.</source>
        <translation>Anmeldung fehlgeschlagen. Sie haben einen falschen Benutzernamen oder ein falsches Passwort eingegeben.</translation>
    </message>
    <message>
        <source>Printing is canceled</source>
        <translation>Druckvorgang ist abgebrochen.</translation>
    </message>
    <message>
        <source>You do not have permission to print.</source>
        <translation>Sie haben keine Berechtigung zum Drucken.</translation>
    </message>
    <message>
        <source>This job will be canceled because you have reached one or more of your quotas.
Contact your administrator for further information.</source>
        <translation>Dieser Auftrag wird storniert, weil Sie eines oder mehrere Ihrer Kontingente erreicht haben.
Wenden Sie sich für weitere Informationen an Ihren Administrator.</translation>
    </message>
    <message>
        <source>Not enough credit is available to print this job. Recharge your credit.</source>
        <translation>Nicht genug Guthaben verfügbar, um diesen Auftrag zu drucken. Laden Sie Ihr Guthaben wieder auf.</translation>
    </message>
    <message>
        <source>You have the following print restrictions:</source>
        <translation>Für Sie gelten die folgenden Einschränkungen beim Drucken:</translation>
    </message>
    <message>
        <source>Duplex</source>
        <translation>Duplex</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Ecoprint</source>
        <translation>Ecoprint</translation>
    </message>
</context>
</TS>
