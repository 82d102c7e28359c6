-- The sample database on PostgreSQL: tables, indexes and what the desks' logins may do. The tool
-- never creates or alters them. Run as the database's owner, a role no desk logs in with, once the
-- role velmora exists, e.g. psql -h host -U velmora_owner -d velmora -f postgresql.sql

CREATE TABLE SAMPLE_ORG (
    CUST_ID varchar(3),
    SAMPLE_ID varchar(8),
    CODE_ID varchar(8),
    TIME_STAMP timestamp(0) without time zone
);

CREATE TABLE customer (
    CUST_ID varchar(3),
    cust_name varchar(100)
);

-- The customer's highest sample number is read from this index.
CREATE INDEX IX_SAMPLE_ORG_CUST_SAMPLE ON SAMPLE_ORG (CUST_ID, SAMPLE_ID);
CREATE INDEX IX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID);

-- No sample number and no code is ever issued twice; jobs without codes record empty text. Desks
-- find UX_SAMPLE_ORG_CODE when they connect and then number each customer under a lock of its own,
-- an insert that meets another desk's code drawing again; without it (a database set up before)
-- they keep one lock for the whole lab. Add it alone to such a database, as this script has it.
CREATE UNIQUE INDEX UX_SAMPLE_ORG_SAMPLE ON SAMPLE_ORG (SAMPLE_ID);
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
    TIME_STAMP timestamp(0) without time zone
);
CREATE INDEX IX_OWED_STICKER_DESK ON OWED_STICKER (DESK, STICKER, SAMPLE_ID);

-- The fixed login of SQLSVR=velmora is known to every desk: it may record samples and read
-- customers, nothing more, so no desk can change or delete a recorded row. Grant an operator's own
-- role (SQLSVR=2000) the same.
REVOKE ALL ON SAMPLE_ORG, customer, OWED_STICKER FROM PUBLIC;
GRANT SELECT, INSERT ON SAMPLE_ORG TO velmora;
GRANT SELECT ON customer TO velmora;
-- A desk's owed stickers are its own to add and to clear.
GRANT SELECT, INSERT, DELETE ON OWED_STICKER TO velmora;
