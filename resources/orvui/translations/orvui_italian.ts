<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
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
        <translation>Impossibile connettersi al the server.</translation>
    </message>
    <message>
        <source>Login failed. The user name or password you entered is incorrect.</source>
        <translation>Login non riuscito. Nome utente o password inseriti non corretti.</translation>
    </message>
    <message>
        <source>Printing is canceled</source>
        <translation>Stampa annullata.</translation>
    </message>
    <message>
        <source>You do not have permission to print.</source>
        <translation>Autorizzazioni insufficienti per la stampa.</translation>
    </message>
    <message>
        <source>This job will be canceled because you have reached one or more of your quotas.
Contact your administrator for further information.</source>
        <translation>Questo lavoro verrà annullato perché sono state raggiunte una o più quote.
Contattare l'amministratore per ulteriori informazioni.</translation>
    </message>
    <message>
        <source>Not enough credit is available to print this job. Recharge your credit.</source>
        <translation>Il credito disponibile non è sufficiente per stampare questo lavoro. Ricaricare il credito.</translation>
    </message>
    <message>
        <source>You have the following print restrictions:</source>
        <translation>Sono presenti le seguenti limitazioni di stampa:</translation>
    </message>
    <message>
        <source>Duplex</source>
        <translation>Fronte Retro</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Colore</translation>
    </message>
    <message>
        <source>Ecoprint</source>
        <translation>Ecoprint</translation>
    </message>
</context>
</TS>
