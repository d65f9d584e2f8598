<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
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
        <translation>Impossible de se connecter au serveur.</translation>
    </message>
    <message>
        <source>Login failed. The user name or password you entered is incorrect.</source>
        <translation>Échec de la connexion. Le nom d'utilisateur ou le mot de passe saisi est incorrect.</translation>
    </message>
    <message>
        <source>Printing is canceled</source>
        <translation>L'impression est annulée.</translation>
    </message>
    <message>
        <source>You do not have permission to print.</source>
        <translation>Vous n'êtes pas autorisé à imprimer.</translation>
    </message>
    <message>
        <source>This job will be canceled because you have reached one or more of your quotas.
Contact your administrator for further information.</source>
        <translation>Ce travail va être annulé parce que vous avez atteint un ou plusieurs de vos quotas.
Contactez votre administrateur pour plus d'informations.</translation>
    </message>
    <message>
        <source>Not enough credit is available to print this job. Recharge your credit.</source>
        <translation>Le crédit disponible est insuffisant pour imprimer ce travail. Rechargez votre crédit.</translation>
    </message>
    <message>
        <source>You have the following print restrictions:</source>
        <translation>Restrictions d'impression applicables&#xa0;:</translation>
    </message>
    <message>
        <source>Duplex</source>
        <translation>Mode Recto/Verso</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Couleur</translation>
    </message>
    <message>
        <source>Ecoprint</source>
        <translation>Ecoprint</translation>
    </message>
</context>
</TS>
