<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
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
        <translation>Não foi possível conectar ao servidor.</translation>
    </message>
    <message>
        <source>Login failed. The user name or password you entered is incorrect.</source>
        <translation>Login falhou. O nome do usuário ou a senha digitada está incorreto.</translation>
    </message>
    <message>
        <source>Printing is canceled</source>
        <translation>A impressão foi cancelada.</translation>
    </message>
    <message>
        <source>You do not have permission to print.</source>
        <translation>Você não tem permissão para imprimir.</translation>
    </message>
    <message>
        <source>This job will be canceled because you have reached one or more of your quotas.
Contact your administrator for further information.</source>
        <translation>Este trabalho será cancelado porque você atingiu o limite de uma ou mais de suas cotas.
Entre em contato com o administrador para obter mais informações.</translation>
    </message>
    <message>
        <source>Not enough credit is available to print this job. Recharge your credit.</source>
        <translation>Não há créditos suficientes disponíveis para este trabalho de impressão. Recarregue seu crédito.</translation>
    </message>
    <message>
        <source>You have the following print restrictions:</source>
        <translation>Você tem as seguintes restrições de impressão:</translation>
    </message>
    <message>
        <source>Duplex</source>
        <translation>Duplex</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Cor</translation>
    </message>
    <message>
        <source>Ecoprint</source>
        <translation>Ecoprint</translation>
    </message>
</context>
</TS>
