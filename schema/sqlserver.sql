-- The sample database on SQL Server: tables and indexes. The tool never creates or alters them.
-- Run once in the database named by DATABASE, e.g. sqlcmd -S host -d velmora -i sqlserver.sql

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

-- No sample number and no code is ever issued twice; jobs without codes record empty text.
CREATE UNIQUE INDEX UX_SAMPLE_ORG_SAMPLE ON SAMPLE_ORG (SAMPLE_ID) WHERE SAMPLE_ID IS NOT NULL;
CREATE UNIQUE INDEX UX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID) WHERE CODE_ID <> '';

CREATE INDEX IX_CUSTOMER_CUST ON customer (CUST_ID);

-- The fixed login of SQLSVR=velmora.
-- CREATE LOGIN velmora WITH PASSWORD = 'tansel', CHECK_POLICY = OFF;
-- CREATE USER velmora FOR LOGIN velmora;
-- GRANT SELECT, INSERT ON SAMPLE_ORG TO velmora;
-- GRANT SELECT ON customer TO velmora;
