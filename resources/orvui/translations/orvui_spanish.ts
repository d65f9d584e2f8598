<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
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
        <translation>No se puede establecer conexión con el servidor.</translation>
    </message>
    <message>
        <source>Login failed. The user name or password you entered is incorrect.</source>
        <translation>Error de inicio de sesión. El nombre de usuario o contraseña que introdujo es incorrecto.</translation>
    </message>
    <message>
        <source>Printing is canceled</source>
        <translation>Impresión cancelada.</translation>
    </message>
    <message>
        <source>You do not have permission to print.</source>
        <translation>No tiene permiso para imprimir.</translation>
    </message>
    <message>
        <source>This job will be canceled because you have reached one or more of your quotas.
Contact your administrator for further information.</source>
        <translation>Este trabajo se cancelará debido a que ha alcanzado una o más de sus cuotas.
Para obtener más información, póngase en contacto con su administrador.</translation>
    </message>
    <message>
        <source>Not enough credit is available to print this job. Recharge your credit.</source>
        <translation>No cuenta con crédito suficiente para imprimir este trabajo. Recargue su crédito.</translation>
    </message>
    <message>
        <source>You have the following print restrictions:</source>
        <translation>Tiene las siguientes restricciones de impresión:</translation>
    </message>
    <message>
        <source>Duplex</source>
        <translation>Doble</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Coloreado</translation>
    </message>
    <message>
        <source>Ecoprint</source>
        <translation>Ecoprint</translation>
    </message>
</context>
</TS>
