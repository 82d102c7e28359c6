-- The sample database on SQL Server: tables, indexes and what the desks' logins may do. The tool
-- never creates or alters them. Run once in the database named by DATABASE as its owner (dbo), a
-- login no desk uses, e.g. sqlcmd -S host -d velmora -i sqlserver.sql

CREATE TABLE SAMPLE_ORG (
    CUST_ID varchar(3),
    SAMPLE_ID varchar(8),
    CODE_ID varchar(8),
    TIME_STAMP datetime
);

CREATE TABLE customer (
    CUST_ID varchar(3),
    cust_name varchar(100)
);

-- The customer's highest sample number is read from this index.
CREATE INDEX IX_SAMPLE_ORG_CUST_SAMPLE ON SAMPLE_ORG (CUST_ID, SAMPLE_ID);
CREATE INDEX IX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID);

-- No sample number and no code is ever issued twice; jobs without codes record empty text. Desks
-- number each customer under a lock of its own and check a new code with a key-range lock held to
-- the commit, so no two desks take the same code.
CREATE UNIQUE INDEX UX_SAMPLE_ORG_SAMPLE ON SAMPLE_ORG (SAMPLE_ID) WHERE SAMPLE_ID IS NOT NULL;
CREATE UNIQUE INDEX UX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID) WHERE CODE_ID <> '';

CREATE INDEX IX_CUSTOMER_CUST ON customer (CUST_ID);

-- The stickers each desk still owes for recorded samples (DESK is the desk's host and application
-- folder), written in the same transaction as the samples' rows and deleted once printed. A
-- database set up before this table existed gets it by running this statement, its index and its
-- GRANT alone.
CREATE TABLE OWED_STICKER (
    DESK varchar(400),
    STICKER varchar(20),
    SAMPLE_ID varchar(8),
    SAMPLE_IDS varchar(40),
    STATE varchar(1),
    TIME_STAMP datetime
);
CREATE INDEX IX_OWED_STICKER_DESK ON OWED_STICKER (DESK, STICKER, SAMPLE_ID);

-- The fixed login of SQLSVR=velmora is known to every desk: it may record samples and read
-- customers, nothing more, so no desk can change or delete a recorded row. Its password is the
-- tool's; the login is created once per server, where it is not there yet. Grant an operator's
-- own Windows login (SQLSVR=2000) the same as a user of its own.
IF SUSER_ID('velmora') IS NULL
    EXEC ('CREATE LOGIN velmora WITH PASSWORD = ''tansel'', CHECK_POLICY = OFF');
CREATE USER velmora FOR LOGIN velmora;
GRANT SELECT, INSERT ON SAMPLE_ORG TO velmora;
GRANT SELECT ON customer TO velmora;
-- A desk's owed stickers are its own to add and to clear.
GRANT SELECT, INSERT, DELETE ON OWED_STICKER TO velmora;
